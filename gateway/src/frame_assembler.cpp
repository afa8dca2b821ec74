#include "gateway/src/frame_assembler.h"

#include <algorithm>

namespace nxcommd {
namespace {

constexpr std::size_t kRetainedBytes = 256 * 1024;

}  // namespace

FrameAssembler::FrameAssembler(std::size_t max_payload) : max_payload_(max_payload) {}

std::span<std::uint8_t> FrameAssembler::prepare(std::size_t n)
{
    if (begin_ > 0) {
        std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(begin_),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(end_), buffer_.begin());
        end_ -= begin_;
        begin_ = 0;
    }
    // A large frame leaves a large buffer behind; an idle client should not keep it.
    if (buffer_.size() > kRetainedBytes && end_ + n <= kRetainedBytes) {
        buffer_.resize(kRetainedBytes);
        buffer_.shrink_to_fit();
    }
    if (buffer_.size() < end_ + n)
        buffer_.resize(end_ + n);
    return {buffer_.data() + end_, n};
}

void FrameAssembler::commit(std::size_t n)
{
    end_ += n;
}

std::uint32_t FrameAssembler::next_payload_length() const
{
    return nxcomm::get_u32(nxcomm::Bytes(buffer_.data() + begin_, nxcomm::kHeaderSize),
                           nxcomm::kHeaderSize - 4);
}

bool FrameAssembler::frame_ready() const
{
    if (available() < nxcomm::kHeaderSize)
        return false;
    const std::size_t length = next_payload_length();
    return length > max_payload_ || available() >= nxcomm::kHeaderSize + length;
}

std::optional<ReceivedFrame> FrameAssembler::next()
{
    if (skip_ > 0) {
        const auto dropped = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, available()));
        begin_ += dropped;
        skip_ -= dropped;
        if (skip_ > 0)
            return std::nullopt;
        ++completed_;
    }
    if (!frame_ready())
        return std::nullopt;
    ReceivedFrame frame;
    frame.header = nxcomm::decode_header(std::span<const std::uint8_t, nxcomm::kHeaderSize>(
        buffer_.data() + begin_, nxcomm::kHeaderSize));
    const std::size_t length = frame.header.payload_length;
    if (length > max_payload_) {
        begin_ += nxcomm::kHeaderSize;
        skip_ = length;
        frame.oversized = true;
        return frame;
    }
    const auto payload =
        buffer_.begin() + static_cast<std::ptrdiff_t>(begin_ + nxcomm::kHeaderSize);
    frame.payload.assign(payload, payload + static_cast<std::ptrdiff_t>(length));
    begin_ += nxcomm::kHeaderSize + length;
    ++completed_;
    return frame;
}

// The payload of an oversized frame is awaited only until it has all
// arrived, whether or not it has been skipped yet.
bool FrameAssembler::mid_frame() const
{
    if (skip_ > 0)
        return skip_ > available();
    return available() > 0 && !frame_ready();
}

}  // namespace nxcommd
