#include "runtime/nxapi/frame_reader.h"

#include <algorithm>
#include <array>

#include "nxapi.h"
#include "nxcomm/frame.h"
#include "runtime/nxapi/tcp_socket.h"

namespace nxapi {

namespace {

// The largest frame a buffer can come in, whatever the caller's area.
constexpr std::uint64_t kMaxFrameSize = nxcomm::kHeaderSize + nxcomm::kSerializedPrefixSize +
                                        nxcomm::kPieceLengthSize * std::uint64_t{nxcomm::kMaxPieceCount} +
                                        NXAPI_MAX_DATA_LENGTH;
// A dropped frame is read away in steps of this size, and no more than the
// bound per call, so that one call cannot be kept busy for ever.
constexpr std::size_t kDiscardStep = 16384;
constexpr std::uint64_t kMaxDiscardPerCall = 16 * 1024 * 1024;

static_assert(NXAPI_MIN_RECEIVE_CAPACITY == nxcomm::kHeaderSize + nxcomm::kSerializedPrefixSize);

}  // namespace

void FrameReader::Reset()
{
    phase_ = Phase::header;
    frame_.clear();
    have_ = 0;
    discard_left_ = 0;
}

int FrameReader::Receive(SOCKET socket, std::span<std::uint8_t> area)
{
    if (phase_ == Phase::discard) {
        const Progress progress = Discard(socket);
        if (progress == Progress::closed) return NXAPI_E_CONNECTION_LOST;
        if (progress == Progress::pending) return 0;
    }
    if (phase_ == Phase::header) {
        if (frame_.size() != nxcomm::kHeaderSize) frame_.resize(nxcomm::kHeaderSize);
        const Progress progress = Fill(socket);
        if (progress == Progress::closed) return NXAPI_E_CONNECTION_LOST;
        if (progress == Progress::pending) return 0;
        if (const int refused = AcceptHeader(socket, area.size()); refused != 0) return refused;
    }
    const Progress progress = Fill(socket);
    if (progress == Progress::closed) return NXAPI_E_CONNECTION_LOST;
    if (progress == Progress::pending) return 0;
    return Deliver(area);
}

FrameReader::Progress FrameReader::Fill(SOCKET socket)
{
    while (have_ < frame_.size()) {
        const ReadResult read = ReadSome(socket, std::span(frame_).subspan(have_));
        if (read.status == ReadStatus::closed) return Progress::closed;
        if (read.status == ReadStatus::would_block) return Progress::pending;
        have_ += read.count;
    }
    return Progress::complete;
}

FrameReader::Progress FrameReader::Discard(SOCKET socket)
{
    std::array<std::uint8_t, kDiscardStep> scratch;
    std::uint64_t budget = kMaxDiscardPerCall;
    while (discard_left_ > 0 && budget > 0) {
        const std::size_t step = static_cast<std::size_t>(std::min<std::uint64_t>(discard_left_, scratch.size()));
        const ReadResult read = ReadSome(socket, std::span(scratch).first(step));
        if (read.status == ReadStatus::closed) return Progress::closed;
        if (read.status == ReadStatus::would_block) return Progress::pending;
        discard_left_ -= read.count;
        budget -= std::min<std::uint64_t>(budget, read.count);
    }
    if (discard_left_ > 0) return Progress::pending;
    Reset();
    return Progress::complete;
}

// With the header in: refuses a frame that cannot be an answer, drops one
// that does not fit, else makes room for the payload. Returns 0 to go on.
int FrameReader::AcceptHeader(SOCKET socket, std::size_t capacity)
{
    const nxcomm::FrameHeader header = nxcomm::decode_header(std::span(frame_).first<nxcomm::kHeaderSize>());
    // A kind of 0 would read as "nothing waits", and a payload shorter than
    // the buffer's prefix cannot hold a buffer.
    if (header.service == 0 || header.payload_length < nxcomm::kSerializedPrefixSize) return NXAPI_E_MALFORMED_FRAME;
    const std::uint64_t size = nxcomm::kHeaderSize + std::uint64_t{header.payload_length};
    if (size > std::min<std::uint64_t>(capacity, kMaxFrameSize)) {
        phase_ = Phase::discard;
        discard_left_ = header.payload_length;
        frame_.clear();
        return Discard(socket) == Progress::closed ? NXAPI_E_CONNECTION_LOST : NXAPI_E_MESSAGE_TOO_LARGE;
    }
    frame_.resize(static_cast<std::size_t>(size));
    phase_ = Phase::payload;
    return 0;
}

int FrameReader::Deliver(std::span<std::uint8_t> area)
{
    const std::span<const std::uint8_t> frame(frame_);
    if (frame.size() > area.size()) {
        // The header came in a call with a larger area than this one.
        Reset();
        return NXAPI_E_MESSAGE_TOO_LARGE;
    }
    const nxcomm::ParsedBuffer payload = nxcomm::parse_serialized(frame.subspan(nxcomm::kHeaderSize));
    if (payload.error != nxcomm::BufferError::none) return NXAPI_E_MALFORMED_FRAME;
    std::copy(frame.begin(), frame.end(), area.begin());
    const int kind = nxcomm::get_u16(frame, 4);
    Reset();
    return kind;
}

}  // namespace nxapi
