#pragma once
// One thread's persistent connection to the gateway: connected on the first
// send, kept across exchanges, made anew when it broke. Request ids increase
// on it, so that an answer that comes too late for its exchange can be told
// from the one that is awaited.
#include <winsock2.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "runtime/nxapi/frame_reader.h"
#include "runtime/nxapi/posted_receive.h"
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
    Channel();
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // The request id (> 0) or a negative NXAPI_E_ code.
    int Send(const SendRequest& request);
    // As GatewayReceive: never blocks.
    int Receive(std::span<std::uint8_t> area);
    // As GatewayReceiveWait: blocks until a message is in, for at most `timeoutMs`.
    int ReceiveWithin(std::span<std::uint8_t> area, std::uint32_t timeoutMs);
    SOCKET Socket();
    // Calls off a receive this thread posted: the thread is ending.
    void StopReceiving();

private:
    // The received bytes and the receive that brings them in; kept in one
    // place, so that they can be abandoned whole should a posted receive
    // not end when called off. Made when first needed.
    struct Inbound {
        FrameReader reader;
        PostedReceive receive;
    };
    Inbound& In();

    // Connects when needed and sends; 0 or a negative NXAPI_E_ code.
    int SendFrame(std::span<const std::uint8_t> frame);
    int Connect();
    void Drop();
    bool StillOpen();
    // A whole message copied to `area` (its kind), 0 when none is whole yet,
    // or a negative NXAPI_E_ code.
    int TakeMessage(std::span<std::uint8_t> area);
    // Drops the connection: NXAPI_E_CONNECTION_LOST.
    int Lost();
    // Keeps a receive posted, taking in what ended; whether bytes arrived.
    bool Pull();
    bool EndPostedReceive();
    std::uint32_t NextRequestId();

    std::mutex mutex_;  // a handle may be used from a thread other than its own
    WinsockUse winsock_;
    TcpSocket socket_;
    std::unique_ptr<Inbound> inbound_;
    std::size_t frameLimit_;  // the largest message the last caller could take
    bool ended_ = false;      // the gateway ended the connection; what it sent before is still read
    std::uint32_t last_request_id_ = 0;
};

}  // namespace nxapi
