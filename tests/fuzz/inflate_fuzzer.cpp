// Inflating arbitrary bytes, and the round trip of each wrapper.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/http/inflate.h"
#include "fuzz_check.h"
#include "support/compression.h"

using nvx::http::InflateBody;
using nvx::http::kMaxInflatedBodySize;
using nvx::http::testing::Compress;
using nvx::http::testing::Wrapper;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const auto body = InflateBody(input.data(), static_cast<std::uint32_t>(size));
    FUZZ_CHECK(!body || body->size() <= kMaxInflatedBodySize);

    if (size == 0) {
        return 0;
    }
    constexpr Wrapper kWrappers[] = {Wrapper::Raw, Wrapper::Zlib, Wrapper::Gzip};
    const auto choice = static_cast<unsigned char>(input[0]);
    const std::string_view plain = input.substr(1);
    const std::string compressed = Compress(plain, kWrappers[choice % 3], choice / 3 % 10);
    const auto inflated = InflateBody(compressed.data(), static_cast<std::uint32_t>(compressed.size()));
    FUZZ_CHECK(inflated.has_value());
    FUZZ_CHECK(std::string_view(inflated->data(), inflated->size()) == plain);
    return 0;
}
