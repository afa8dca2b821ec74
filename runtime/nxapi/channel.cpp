#include "runtime/nxapi/channel.h"

#include <algorithm>

#include "nxapi.h"
#include "nxcomm/frame.h"
#include "runtime/nxapi/deadline.h"
#include "runtime/nxapi/gateway_address.h"

namespace nxapi {

namespace {

// A gateway that is not running must fail the call, not stall it.
constexpr std::uint32_t kConnectTimeLimitMs = 5000;
// A gateway that stops reading must not hold a sender for ever.
constexpr std::uint32_t kSendTimeLimitMs = 10000;
constexpr std::uint32_t kMaxRequestId = 0x7fffffff;  // ids are handed out as positive ints
// Receives that end at once are taken in a row, but not without end, so that
// a gateway that never stops sending cannot keep one call busy for ever.
constexpr int kMaxReceivesAtOnce = 64;
constexpr std::size_t kModeOffset = 6;  // of a frame's header
constexpr std::uint64_t kMaxBytesPerReceiveCall = 16 * 1024 * 1024;

}  // namespace

Channel::Channel() : frameLimit_(NXAPI_RECEIVE_AREA_SIZE) {}

Channel::~Channel() { Drop(); }

int Channel::Send(const SendRequest& request)
{
    const std::lock_guard lock(mutex_);
    const std::uint32_t id = NextRequestId();
    const std::vector<nxcomm::Bytes> pieces = request.buffer.Content().Pieces();
    const std::vector<std::uint8_t> frame =
        nxcomm::encode_frame(nxcomm::FrameHeader{id, request.service, request.mode, request.timeout_ms, 0}, pieces);
    // The gateway, or a balancer before it, may have closed the connection
    // since the last exchange, and a send into it would seem to succeed.
    if (socket_ && !StillOpen()) Drop();
    const bool reusing = static_cast<bool>(socket_);
    int outcome = SendFrame(frame);
    // A kept connection can break under the send; a new one gets the frame
    // once more (the gateway acts on whole frames only, and this one did not
    // go out whole). A new connection that fails has nothing left to try.
    if (outcome == NXAPI_E_SEND_FAILED && reusing) outcome = SendFrame(frame);
    return outcome == 0 ? static_cast<int>(id) : outcome;
}

int Channel::SendFrame(std::span<const std::uint8_t> frame)
{
    if (!socket_) {
        if (const int failure = Connect(); failure != 0) return failure;
    }
    if (SendWhole(socket_.Get(), frame, kSendTimeLimitMs)) return 0;
    Drop();
    return NXAPI_E_SEND_FAILED;
}

// The look before a send. A connection whose waits keep a receive posted
// has its answer in that receive: whatever came since (a late answer, or the
// end of the connection) is taken in without a system call when nothing did.
// Without one, a peek tells.
bool Channel::StillOpen()
{
    if (!ended_ && !In().receive.Posted()) return !PeerHasClosed(socket_.Get());
    Pull();
    return !ended_;
}

int Channel::Receive(std::span<std::uint8_t> area)
{
    const std::lock_guard lock(mutex_);
    frameLimit_ = area.size();
    for (std::uint64_t read = 0; read < kMaxBytesPerReceiveCall;) {
        if (const int taken = TakeMessage(area); taken != 0) return taken;
        if (!socket_) return NXAPI_E_NOT_CONNECTED;
        if (ended_) return Lost();
        if (In().receive.Posted()) {
            if (!Pull() && !ended_) return 0;
            continue;
        }
        // Read no further than the message at hand: what comes after it
        // stays in the socket, where select() sees it.
        FrameReader& reader = In().reader;
        const std::span<std::uint8_t> space = reader.Space(area.size());
        const ReadResult result =
            ReadSome(socket_.Get(), space.first(std::min(space.size(), reader.BytesToFrameEnd())));
        if (result.status == ReadStatus::would_block) return 0;
        ended_ = result.status == ReadStatus::closed;
        reader.Received(result.count);
        read += result.count;
    }
    return 0;
}

int Channel::ReceiveWithin(std::span<std::uint8_t> area, std::uint32_t timeoutMs)
{
    const std::lock_guard lock(mutex_);
    frameLimit_ = area.size();
    const Deadline deadline(timeoutMs);
    for (int pulls = 0;;) {
        if (const int taken = TakeMessage(area); taken != 0) {
            // A receive left posted makes the next look before a send free.
            if (taken > 0 && socket_) Pull();
            return taken;
        }
        if (!socket_) return NXAPI_E_NOT_CONNECTED;
        if (ended_) return Lost();
        const bool arrived = Pull();
        // What came before the end is taken before the end is reported.
        if (ended_) continue;
        const DWORD remaining = deadline.RemainingMs();
        // Bytes that keep coming without completing a message end with the
        // time-out all the same.
        if (arrived && (remaining > 0 || ++pulls <= kMaxReceivesAtOnce)) continue;
        if (remaining == 0 || !In().receive.WaitEnded(remaining)) return 0;
    }
}

SOCKET Channel::Socket()
{
    const std::lock_guard lock(mutex_);
    // What select() is to see must stay in the socket.
    if (!EndPostedReceive()) Drop();
    return socket_.Get();
}

void Channel::StopReceiving()
{
    const std::lock_guard lock(mutex_);
    if (!EndPostedReceive()) Drop();
}

int Channel::TakeMessage(std::span<std::uint8_t> area)
{
    const FrameReader::Taken taken = In().reader.Take(area);
    switch (taken.outcome) {
    case FrameReader::Outcome::frame:
        // The gateway closes the connection after this answer (it drains):
        // the next request goes on a new one.
        if (nxcomm::get_u16(area, kModeOffset) == nxcomm::kLastAnswerMode) ended_ = true;
        return taken.kind;
    case FrameReader::Outcome::incomplete: return 0;
    case FrameReader::Outcome::too_large: return NXAPI_E_MESSAGE_TOO_LARGE;
    case FrameReader::Outcome::malformed: break;
    }
    Drop();
    return NXAPI_E_MALFORMED_FRAME;
}

int Channel::Lost()
{
    Drop();
    return NXAPI_E_CONNECTION_LOST;
}

bool Channel::Pull()
{
    PostedReceive& receive = In().receive;
    FrameReader& reader = In().reader;
    bool arrived = false;
    for (int i = 0; i < kMaxReceivesAtOnce && !ended_; ++i) {
        std::optional<ReceiveResult> ended;
        if (receive.Posted()) {
            if (!receive.Ended()) break;
            ended = receive.Collect(socket_.Get());
        } else {
            ended = receive.Post(socket_.Get(), reader.Space(frameLimit_));
            if (!ended) break;
        }
        ended_ = ended->status == ReceiveResult::Status::closed;
        if (ended->status == ReceiveResult::Status::data) {
            reader.Received(ended->count);
            arrived = true;
        }
    }
    return arrived;
}

// Ends a posted receive and keeps what it brought; false when it did not
// end: its memory is then left to it, and the connection is no good.
bool Channel::EndPostedReceive()
{
    if (!inbound_ || !inbound_->receive.Posted()) return true;
    const std::optional<ReceiveResult> ended = inbound_->receive.Cancel(socket_.Get());
    if (!ended) {
        static_cast<void>(inbound_.release());
        return false;
    }
    ended_ = ended->status == ReceiveResult::Status::closed;
    if (ended->status == ReceiveResult::Status::data) inbound_->reader.Received(ended->count);
    return true;
}

int Channel::Connect()
{
    const std::optional<GatewayAddress> address = ConfiguredGatewayAddress();
    if (!address) return NXAPI_E_GATEWAY_ADDRESS;
    socket_ = ConnectTo(*address, kConnectTimeLimitMs);
    return socket_ ? 0 : NXAPI_E_CONNECT_FAILED;
}

Channel::Inbound& Channel::In()
{
    if (!inbound_) inbound_ = std::make_unique<Inbound>();
    return *inbound_;
}

void Channel::Drop()
{
    EndPostedReceive();
    socket_.Close();
    if (inbound_) inbound_->reader.Reset();
    ended_ = false;
}

std::uint32_t Channel::NextRequestId()
{
    last_request_id_ = last_request_id_ == kMaxRequestId ? 1 : last_request_id_ + 1;
    return last_request_id_;
}

}  // namespace nxapi
