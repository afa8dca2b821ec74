#include "runtime/nxapi/frame_reader.h"

#include <algorithm>
#include <cstring>

#include "nxcomm/frame.h"
#include "runtime/nxapi/piece_list.h"

namespace nxapi {

namespace {

// The largest frame a buffer can come in, whatever the caller's area.
constexpr std::uint64_t kMaxFrameSize = nxcomm::kHeaderSize + nxcomm::kSerializedPrefixSize +
                                        nxcomm::kPieceLengthSize * std::uint64_t{nxcomm::kMaxPieceCount} +
                                        kMaxDataLength;
// What one read asks for when no frame size is known yet: answers of a
// usual size arrive whole in one read.
constexpr std::size_t kReadSize = 64 * 1024;
// A buffer grown for a large answer is given back once it is empty, so that
// an idle thread does not hold megabytes.
constexpr std::size_t kKeptSize = 4 * kReadSize;

std::uint64_t FrameSize(std::span<const std::uint8_t> header)
{
    return nxcomm::kHeaderSize + std::uint64_t{nxcomm::get_u32(header, 12)};
}

}  // namespace

void FrameReader::Reset()
{
    begin_ = end_ = 0;
    discard_left_ = 0;
}

void FrameReader::DropDiscarded()
{
    const std::size_t dropped = static_cast<std::size_t>(std::min<std::uint64_t>(discard_left_, Buffered()));
    begin_ += dropped;
    discard_left_ -= dropped;
}

FrameReader::Taken FrameReader::Take(std::span<std::uint8_t> area)
{
    DropDiscarded();
    if (discard_left_ > 0 || Buffered() < nxcomm::kHeaderSize) return {Outcome::incomplete};
    const std::span<const std::uint8_t> at = std::span(bytes_).subspan(begin_, Buffered());
    const nxcomm::FrameHeader header = nxcomm::decode_header(at.first<nxcomm::kHeaderSize>());
    // A kind of 0 would read as "nothing waits", and a payload shorter than
    // the buffer's prefix cannot hold a buffer.
    if (header.service == 0 || header.payload_length < nxcomm::kSerializedPrefixSize) return {Outcome::malformed};
    const std::uint64_t size = FrameSize(at);
    if (size > std::min<std::uint64_t>(area.size(), kMaxFrameSize)) {
        discard_left_ = size;
        DropDiscarded();
        return {Outcome::too_large};
    }
    if (at.size() < size) return {Outcome::incomplete};
    const std::span<const std::uint8_t> frame = at.first(static_cast<std::size_t>(size));
    if (nxcomm::parse_serialized(frame.subspan(nxcomm::kHeaderSize)).error != nxcomm::BufferError::none)
        return {Outcome::malformed};
    std::copy(frame.begin(), frame.end(), area.begin());
    begin_ += frame.size();
    return {Outcome::frame, header.service};
}

std::span<std::uint8_t> FrameReader::Space(std::size_t frameLimit)
{
    DropDiscarded();
    std::size_t wanted = kReadSize;  // from begin_
    if (discard_left_ == 0 && Buffered() >= nxcomm::kHeaderSize) {
        const std::uint64_t size = FrameSize(std::span(bytes_).subspan(begin_, nxcomm::kHeaderSize));
        if (size <= std::min<std::uint64_t>(frameLimit, kMaxFrameSize))
            wanted = std::max(wanted, static_cast<std::size_t>(size));
    }
    wanted = std::max(wanted, Buffered() + 1);
    if (begin_ == end_) {
        begin_ = end_ = 0;
        if (bytes_.size() > kKeptSize && wanted <= kKeptSize) std::vector<std::uint8_t>().swap(bytes_);
    }
    if (bytes_.size() - begin_ < wanted && begin_ > 0) {
        std::memmove(bytes_.data(), bytes_.data() + begin_, Buffered());
        end_ -= begin_;
        begin_ = 0;
    }
    if (bytes_.size() - begin_ < wanted) bytes_.resize(begin_ + wanted);
    return std::span(bytes_).subspan(end_);
}

void FrameReader::Received(std::size_t count) { end_ += std::min(count, bytes_.size() - end_); }

std::size_t FrameReader::BytesToFrameEnd() const
{
    if (discard_left_ > 0)
        return static_cast<std::size_t>(discard_left_ - std::min<std::uint64_t>(discard_left_, Buffered()));
    if (Buffered() < nxcomm::kHeaderSize) return nxcomm::kHeaderSize - Buffered();
    const std::uint64_t size = FrameSize(std::span(bytes_).subspan(begin_, nxcomm::kHeaderSize));
    return size > Buffered() ? static_cast<std::size_t>(std::min<std::uint64_t>(size - Buffered(), SIZE_MAX)) : 0;
}

}  // namespace nxapi
