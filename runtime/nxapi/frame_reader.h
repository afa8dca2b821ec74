#pragma once
// Cuts the gateway's answer frames out of the bytes that arrive on a
// connection. Received bytes go into the reader's buffer, whole frames come
// out, and whatever belongs to a later frame stays for it. No sockets here:
// the connection reads into Space(), and the parsing is fuzzed natively.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace nxapi {

class FrameReader {
public:
    enum class Outcome {
        frame,       // a whole frame was copied to the caller's area
        incomplete,  // more bytes are needed
        too_large,   // the frame does not fit the area: its bytes are dropped as they come
        malformed,   // the gateway broke the frame format: the connection is no good
    };
    struct Taken {
        Outcome outcome;
        std::uint16_t kind = 0;  // the frame's service, for Outcome::frame
    };

    // The next whole frame, copied to `area` (header and payload, as sent).
    Taken Take(std::span<std::uint8_t> area);

    // Room for the next bytes from the connection: the whole frame at hand
    // when it will fit `frameLimit`, else a buffer's worth. Moves or grows the
    // buffer, so never while a receive into the previous Space() is pending.
    std::span<std::uint8_t> Space(std::size_t frameLimit);
    // `count` bytes were received into the start of Space().
    void Received(std::size_t count);
    // Bytes to read so as to complete the frame at hand (or the part of it
    // still to be dropped) and nothing beyond it; 0 when a frame waits.
    std::size_t BytesToFrameEnd() const;
    bool Empty() const { return begin_ == end_ && discard_left_ == 0; }
    void Reset();

private:
    std::size_t Buffered() const { return end_ - begin_; }
    void DropDiscarded();

    std::vector<std::uint8_t> bytes_;
    std::size_t begin_ = 0;           // the first byte not yet taken
    std::size_t end_ = 0;             // the end of the bytes received
    std::uint64_t discard_left_ = 0;  // bytes of a dropped frame still to come
};

}  // namespace nxapi
