#include "runtime/nxapi/channel.h"

#include "nxapi.h"
#include "nxcomm/frame.h"
#include "runtime/nxapi/gateway_address.h"

namespace nxapi {

namespace {

// A gateway that is not running must fail the call, not stall it.
constexpr std::uint32_t kConnectTimeLimitMs = 5000;
// A gateway that stops reading must not hold a sender for ever.
constexpr std::uint32_t kSendTimeLimitMs = 10000;
constexpr std::uint32_t kMaxRequestId = 0x7fffffff;  // ids are handed out as positive ints

}  // namespace

int Channel::Send(const SendRequest& request)
{
    const std::lock_guard lock(mutex_);
    const std::uint32_t id = NextRequestId();
    const std::vector<nxcomm::Bytes> pieces = request.buffer.Pieces();
    const std::vector<std::uint8_t> frame =
        nxcomm::encode_frame(nxcomm::FrameHeader{id, request.service, request.mode, request.timeout_ms, 0}, pieces);
    // The gateway closes connections that stay idle, and a send into one
    // that it closed would seem to succeed; look before sending.
    if (socket_ && PeerHasClosed(socket_.Get())) Drop();
    const bool reusing = static_cast<bool>(socket_);
    int outcome = SendFrame(frame);
    // A kept connection can break under the send; a new one gets the frame
    // once more. A new connection that fails has nothing left to try.
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

int Channel::Receive(std::span<std::uint8_t> area)
{
    const std::lock_guard lock(mutex_);
    if (!socket_) return NXAPI_E_NOT_CONNECTED;
    const int result = reader_.Receive(socket_.Get(), area);
    if (result == NXAPI_E_CONNECTION_LOST || result == NXAPI_E_MALFORMED_FRAME) Drop();
    return result;
}

SOCKET Channel::Socket()
{
    const std::lock_guard lock(mutex_);
    return socket_.Get();
}

int Channel::Connect()
{
    const std::optional<GatewayAddress> address = ConfiguredGatewayAddress();
    if (!address) return NXAPI_E_GATEWAY_ADDRESS;
    socket_ = ConnectTo(*address, kConnectTimeLimitMs);
    return socket_ ? 0 : NXAPI_E_CONNECT_FAILED;
}

void Channel::Drop()
{
    socket_.Close();
    reader_.Reset();
}

std::uint32_t Channel::NextRequestId()
{
    last_request_id_ = last_request_id_ == kMaxRequestId ? 1 : last_request_id_ + 1;
    return last_request_id_;
}

}  // namespace nxapi
