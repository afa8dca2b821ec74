#pragma once
// One thread's persistent connection to the gateway: connected on the first
// send, kept across exchanges, made anew when it broke. Request ids increase
// on it, so that an answer that comes too late for its exchange can be told
// from the one that is awaited.
#include <winsock2.h>

#include <cstdint>
#include <mutex>
#include <span>

#include "runtime/nxapi/frame_reader.h"
#include "runtime/nxapi/tcp_socket.h"
#include "runtime/nxapi/ublock.h"

namespace nxapi {

struct SendRequest {
    std::uint16_t service;
    std::uint16_t mode;
    std::uint32_t timeout_ms;
    const UBlock& buffer;
};

class Channel {
public:
    Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // The request id (> 0) or a negative NXAPI_E_ code.
    int Send(const SendRequest& request);
    // As GatewayReceive.
    int Receive(std::span<std::uint8_t> area);
    SOCKET Socket();

private:
    // Connects when needed and sends; 0 or a negative NXAPI_E_ code.
    int SendFrame(std::span<const std::uint8_t> frame);
    int Connect();
    void Drop();
    std::uint32_t NextRequestId();

    std::mutex mutex_;  // a handle may be used from a thread other than its own
    WinsockUse winsock_;
    TcpSocket socket_;
    FrameReader reader_;
    std::uint32_t last_request_id_ = 0;
};

}  // namespace nxapi
