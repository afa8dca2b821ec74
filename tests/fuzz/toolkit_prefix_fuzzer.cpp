// Toolkit-prefix removal on arbitrary payloads.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/http/toolkit_prefix.h"
#include "fuzz_check.h"

using nvx::http::RemoveToolkitPrefix;

namespace {

constexpr std::size_t kRemovedUnit = 9;  // the token and its colon

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<char[]> payload(new char[size]);
    std::memcpy(payload.get(), data, size);

    const std::uint32_t length = RemoveToolkitPrefix(payload.get(), static_cast<std::uint32_t>(size));
    FUZZ_CHECK(length <= size);
    FUZZ_CHECK((size - length) % kRemovedUnit == 0);
    if (input.find('<') == std::string_view::npos) {
        FUZZ_CHECK(std::string_view(payload.get(), length) == input);
    }

    // What one pass leaves has nothing more to remove.
    const std::string_view once(payload.get(), length);
    std::unique_ptr<char[]> second(new char[length]);
    std::memcpy(second.get(), once.data(), length);
    const std::uint32_t secondLength = RemoveToolkitPrefix(second.get(), length);
    FUZZ_CHECK(std::string_view(second.get(), secondLength) == once);
    return 0;
}
