// Chunked decoding on arbitrary bodies, and the round trip of a valid encoding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/http/chunked.h"
#include "fuzz_check.h"

namespace {

// Encodes `data` in chunks whose sizes cycle through `sizes` (1 to 256 bytes).
std::string Encode(std::string_view data, std::string_view sizes)
{
    std::string body;
    char sizeLine[16];
    for (std::size_t at = 0, turn = 0; at < data.size(); ++turn) {
        const std::size_t chunk =
            sizes.empty() ? data.size() : 1 + static_cast<unsigned char>(sizes[turn % sizes.size()]);
        const std::string_view piece = data.substr(at, chunk);
        std::snprintf(sizeLine, sizeof sizeLine, "%zX\r\n", piece.size());
        body.append(sizeLine).append(piece).append("\r\n");
        at += piece.size();
    }
    return body.append("0\r\nTrailer: x\r\n\r\n");
}

std::uint32_t DechunkExactCopy(std::string_view body, std::unique_ptr<char[]>& buffer)
{
    buffer.reset(new char[body.size()]);
    std::memcpy(buffer.get(), body.data(), body.size());
    return nvx::http::DechunkInPlace(buffer.get(), static_cast<std::uint32_t>(body.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<char[]> buffer;

    FUZZ_CHECK(DechunkExactCopy(input, buffer) <= size);

    if (size == 0) {
        return 0;
    }
    const std::size_t sizeCount = static_cast<unsigned char>(input[0]) % 8;
    const std::string_view sizes = input.substr(1, sizeCount);
    const std::string_view payload = input.substr(std::min(size, 1 + sizeCount));
    const std::string encoded = Encode(payload, sizes);
    const std::uint32_t decoded = DechunkExactCopy(encoded, buffer);
    FUZZ_CHECK(std::string_view(buffer.get(), decoded) == payload);
    return 0;
}
