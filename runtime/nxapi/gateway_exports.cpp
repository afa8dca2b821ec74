// The Gateway* entry points: connection handles over the thread's channel.
#include <winsock2.h>

#include <limits>
#include <memory>

#include "nxapi.h"
#include "runtime/nxapi/channel_registry.h"
#include "runtime/nxapi/guarded_call.h"
#include "runtime/nxapi/ublock.h"

// What a connection handle points at.
struct NxGatewayConnection {
    static constexpr std::uint32_t kLiveSignature = 0x4e434758;  // "XGCN"

    std::uint32_t signature = kLiveSignature;
    std::shared_ptr<nxapi::Channel> channel;

    ~NxGatewayConnection() { signature = 0; }
};

namespace {

using nxapi::GuardedCall;

NxGatewayConnection* Live(NXCONNECTION connection)
{
    return connection && connection->signature == NxGatewayConnection::kLiveSignature ? connection : nullptr;
}

bool FitsU16(int value) { return value >= 0 && value <= std::numeric_limits<std::uint16_t>::max(); }

}  // namespace

extern "C" NXCONNECTION WINAPI GatewayOpen(int)
{
    return GuardedCall<NXCONNECTION>(nullptr, [] {
        auto connection = std::make_unique<NxGatewayConnection>();
        connection->channel = nxapi::ChannelOfThisThread();
        return connection.release();
    });
}

extern "C" int WINAPI GatewaySend(NXCONNECTION connection, int service, int mode, int timeout_ms, NXUBLOCK buffer)
{
    NxGatewayConnection* live = Live(connection);
    const nxapi::UBlock* block = nxapi::UBlock::FromHandle(buffer);
    if (!live || !block || service == 0 || !FitsU16(service) || !FitsU16(mode)) return NXAPI_E_BAD_ARGUMENTS;
    const nxapi::SendRequest request{static_cast<std::uint16_t>(service), static_cast<std::uint16_t>(mode),
                                     static_cast<std::uint32_t>(timeout_ms > 0 ? timeout_ms : 0), *block};
    return GuardedCall(NXAPI_E_OUT_OF_MEMORY, NXAPI_E_SEND_FAILED, [&] { return live->channel->Send(request); });
}

extern "C" NXAPI_SOCKET WINAPI GatewaySocket(NXCONNECTION connection)
{
    NxGatewayConnection* live = Live(connection);
    return live ? live->channel->Socket() : INVALID_SOCKET;
}

extern "C" int WINAPI GatewayReceive(NXCONNECTION connection, void* area, int capacity)
{
    NxGatewayConnection* live = Live(connection);
    if (!live || !area || capacity < NXAPI_MIN_RECEIVE_CAPACITY) return NXAPI_E_BAD_ARGUMENTS;
    const std::span bytes(static_cast<std::uint8_t*>(area), static_cast<std::size_t>(capacity));
    return GuardedCall(NXAPI_E_OUT_OF_MEMORY, NXAPI_E_CONNECTION_LOST, [&] { return live->channel->Receive(bytes); });
}

extern "C" int WINAPI GatewayReceiveWait(NXCONNECTION connection, void* area, int capacity, int timeout_ms)
{
    NxGatewayConnection* live = Live(connection);
    if (!live || !area || capacity < NXAPI_MIN_RECEIVE_CAPACITY) return NXAPI_E_BAD_ARGUMENTS;
    const std::span bytes(static_cast<std::uint8_t*>(area), static_cast<std::size_t>(capacity));
    const std::uint32_t timeout = timeout_ms > 0 ? static_cast<std::uint32_t>(timeout_ms) : 0;
    return GuardedCall(NXAPI_E_OUT_OF_MEMORY, NXAPI_E_CONNECTION_LOST,
                       [&] { return live->channel->ReceiveWithin(bytes, timeout); });
}

extern "C" void WINAPI GatewayClose(NXCONNECTION connection) { delete Live(connection); }
