// Reassembles frames from the bytes of a client connection, however the
// stream splits them. A frame whose payload exceeds the limit is reported as
// soon as its header is in, and its payload is then skipped as it arrives, so
// the connection stays in step without buffering it.
#pragma once

#include <nxcomm/frame.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace nxcommd {

struct ReceivedFrame {
    nxcomm::FrameHeader header;
    std::vector<std::uint8_t> payload;  // empty when oversized
    bool oversized = false;
};

class FrameAssembler {
public:
    explicit FrameAssembler(std::size_t max_payload);

    // Room for up to `n` more received bytes; confirm what arrived with commit().
    std::span<std::uint8_t> prepare(std::size_t n);
    void commit(std::size_t n);

    // The next complete frame (or oversized header), if the bytes hold one.
    std::optional<ReceivedFrame> next();

    // Part of a frame has arrived and the rest is awaited.
    bool mid_frame() const;
    // Frames whose every byte has arrived and been taken (or skipped).
    std::uint64_t completed() const { return completed_; }
    // Received bytes not yet taken.
    std::size_t buffered() const { return end_ - begin_; }

private:
    std::size_t available() const { return end_ - begin_; }
    bool frame_ready() const;
    std::uint32_t next_payload_length() const;

    std::size_t max_payload_;
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;   // first unconsumed byte
    std::size_t end_ = 0;     // one past the last received byte
    std::uint64_t skip_ = 0;  // payload bytes of an oversized frame still to discard
    std::uint64_t completed_ = 0;
};

}  // namespace nxcommd
