// The client's framing of answers on arbitrary gateway bytes: whatever the
// bytes and however they are split into receives, the same messages come out
// in the same order, each a whole well-formed frame of the stream.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "fuzz_check.h"
#include "nxcomm/frame.h"
#include "runtime/nxapi/frame_reader.h"

namespace {

using nxapi::FrameReader;

struct Event {
    FrameReader::Outcome outcome;
    std::vector<std::uint8_t> frame;
    friend bool operator==(const Event&, const Event&) = default;
};

// Feeds `stream` to a reader in receives of the sizes `splits` cycles
// through (0: as much as there is room for); every outcome but "incomplete".
std::vector<Event> Frame(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> splits, std::size_t area)
{
    FrameReader reader;
    std::vector<std::uint8_t> into(area);
    std::vector<Event> events;
    for (std::size_t at = 0, turn = 0; at < stream.size(); ++turn) {
        const std::span<std::uint8_t> space = reader.Space(area);
        FUZZ_CHECK(!space.empty());
        const std::size_t split = splits.empty() ? 0 : splits[turn % splits.size()];
        const std::size_t count = std::min({space.size(), stream.size() - at, split == 0 ? space.size() : split});
        std::memcpy(space.data(), stream.data() + at, count);
        reader.Received(count);
        at += count;
        for (;;) {
            const FrameReader::Taken taken = reader.Take(into);
            if (taken.outcome == FrameReader::Outcome::incomplete) break;
            Event event{taken.outcome, {}};
            if (taken.outcome == FrameReader::Outcome::frame) {
                const std::uint32_t size = nxcomm::kHeaderSize + nxcomm::get_u32(into, 12);
                event.frame.assign(into.begin(), into.begin() + size);
                FUZZ_CHECK(taken.kind == nxcomm::get_u16(into, 4) && taken.kind != 0);
                FUZZ_CHECK(nxcomm::parse_serialized(std::span(event.frame).subspan(nxcomm::kHeaderSize)).error ==
                           nxcomm::BufferError::none);
            }
            events.push_back(std::move(event));
            // The connection is given up after a malformed frame.
            if (taken.outcome == FrameReader::Outcome::malformed) return events;
        }
    }
    return events;
}

}  // namespace

// Input: one byte for the area (24 bytes and up in steps of 16), one for the
// number of split sizes, the split sizes, then the gateway's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const std::size_t area = nxcomm::kHeaderSize + nxcomm::kSerializedPrefixSize + 16u * data[0];
    const std::size_t splitCount = std::min<std::size_t>(data[1] % 8, size - 2);
    const std::span<const std::uint8_t> splits(data + 2, splitCount);
    const std::span<const std::uint8_t> stream(data + 2 + splitCount, size - 2 - splitCount);

    const std::vector<Event> whole = Frame(stream, {}, area);
    FUZZ_CHECK(whole == Frame(stream, splits, area));
    const std::uint8_t oneByte[] = {1};
    FUZZ_CHECK(whole == Frame(stream, oneByte, area));

    // Frames come out as they stand in the stream.
    std::size_t searchFrom = 0;
    for (const Event& event : whole) {
        if (event.outcome != FrameReader::Outcome::frame) continue;
        const auto found = std::search(stream.begin() + static_cast<std::ptrdiff_t>(searchFrom), stream.end(),
                                       event.frame.begin(), event.frame.end());
        FUZZ_CHECK(found != stream.end());
        searchFrom = static_cast<std::size_t>(found - stream.begin()) + event.frame.size();
    }
    return 0;
}
