// Frame reassembly on an arbitrary byte stream: however the stream is split,
// the same frames come out as from the stream in one piece, each payload
// exactly as long as its header says, and oversized ones announced without
// their payload.
#include "gateway/src/frame_assembler.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_check.h"

namespace {

struct Seen {
    nxcomm::FrameHeader header;
    std::vector<std::uint8_t> payload;
    bool oversized;

    friend bool operator==(const Seen&, const Seen&) = default;
};

// Feeds `stream` in pieces whose sizes cycle through `sizes` (1 to 256 bytes).
std::vector<Seen> assemble(nxcomm::Bytes stream, std::string_view sizes, std::size_t max_payload)
{
    nxcommd::FrameAssembler assembler(max_payload);
    std::vector<Seen> seen;
    for (std::size_t at = 0, turn = 0; at < stream.size(); ++turn) {
        const std::size_t step =
            sizes.empty() ? stream.size() : 1 + static_cast<unsigned char>(sizes[turn % sizes.size()]);
        const auto piece = stream.subspan(at, std::min(step, stream.size() - at));
        const auto room = assembler.prepare(piece.size());
        FUZZ_CHECK(room.size() == piece.size());
        std::copy(piece.begin(), piece.end(), room.begin());
        assembler.commit(piece.size());
        at += piece.size();
        while (auto frame = assembler.next()) {
            if (frame->oversized)
                FUZZ_CHECK(frame->payload.empty() && frame->header.payload_length > max_payload);
            else
                FUZZ_CHECK(frame->payload.size() == frame->header.payload_length);
            seen.push_back({frame->header, std::move(frame->payload), frame->oversized});
        }
        FUZZ_CHECK(assembler.completed() <= seen.size());
        FUZZ_CHECK(assembler.completed() + 1 >= seen.size());
    }
    return seen;
}

}  // namespace

// The first byte sets the payload limit, the next up to seven the split sizes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t max_payload = std::size_t{data[0]} * 16;
    const std::size_t size_count = std::min<std::size_t>(data[0] % 8, size - 1);
    const std::string_view sizes(reinterpret_cast<const char*>(data) + 1, size_count);
    const nxcomm::Bytes stream(data + 1 + size_count, size - 1 - size_count);
    FUZZ_CHECK(assemble(stream, sizes, max_payload) == assemble(stream, {}, max_payload));
    return 0;
}
