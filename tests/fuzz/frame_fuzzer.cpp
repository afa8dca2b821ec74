// The frame header and the serialized buffer, on arbitrary received bytes:
// a buffer accepted is exactly the serialization of its pieces.
#include <nxcomm/frame.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exactly sized copy, so that reading past the bytes is caught.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
    std::memcpy(copy.get(), data, size);
    const nxcomm::Bytes input(copy.get(), size);

    if (size >= nxcomm::kHeaderSize) {
        const auto header = nxcomm::decode_header(input.first<nxcomm::kHeaderSize>());
        std::array<std::uint8_t, nxcomm::kHeaderSize> again{};
        nxcomm::encode_header(header, again);
        FUZZ_CHECK(std::memcmp(again.data(), data, nxcomm::kHeaderSize) == 0);
    }

    const nxcomm::ParsedBuffer parsed = nxcomm::parse_serialized(input);
    if (parsed.error != nxcomm::BufferError::none) {
        FUZZ_CHECK(parsed.pieces.empty());
        return 0;
    }
    FUZZ_CHECK(parsed.pieces.size() <= nxcomm::kMaxPieceCount);
    std::uint64_t sum = 0;
    for (nxcomm::Bytes piece : parsed.pieces) {
        FUZZ_CHECK(piece.data() >= input.data() && piece.data() + piece.size() <= input.data() + size);
        sum += piece.size();
    }
    FUZZ_CHECK(sum == parsed.data_length);
    const auto serialized = nxcomm::serialize(parsed.pieces);
    FUZZ_CHECK(serialized.size() == size && std::memcmp(serialized.data(), data, size) == 0);
    return 0;
}
