#pragma once
// The Winsock side of the gateway connection: an owned socket, connecting
// with a time limit, sending a whole frame, reading what is there.
#include <winsock2.h>

#include <cstdint>
#include <span>

#include "runtime/nxapi/gateway_address.h"

namespace nxapi {

// WSAStartup for as long as the object lives.
class WinsockUse {
public:
    WinsockUse();  // throws std::runtime_error when Winsock cannot start
    ~WinsockUse();
    WinsockUse(const WinsockUse&) = delete;
    WinsockUse& operator=(const WinsockUse&) = delete;
};

class TcpSocket {
public:
    TcpSocket() = default;
    explicit TcpSocket(SOCKET socket) : socket_(socket) {}
    ~TcpSocket() { Close(); }
    TcpSocket(TcpSocket&& other) noexcept : socket_(other.Release()) {}
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    SOCKET Get() const { return socket_; }
    explicit operator bool() const { return socket_ != INVALID_SOCKET; }
    void Close();

private:
    SOCKET Release();

    SOCKET socket_ = INVALID_SOCKET;
};

// A connected, non-blocking socket with TCP_NODELAY set, or an empty one when
// no address of the host accepted the connection within `timeoutMs`.
TcpSocket ConnectTo(const GatewayAddress& address, std::uint32_t timeoutMs);

// Hands all of `bytes` to the socket, normally in one send(); waits for room
// when the socket's buffer is full, but not beyond `timeoutMs`.
bool SendWhole(SOCKET socket, std::span<const std::uint8_t> bytes, std::uint32_t timeoutMs);

enum class ReadStatus { data, would_block, closed };

struct ReadResult {
    ReadStatus status;
    std::size_t count;  // bytes read, for ReadStatus::data
};

// One non-blocking recv(); a reset connection counts as closed.
ReadResult ReadSome(SOCKET socket, std::span<std::uint8_t> into);

// Whether the peer has closed or reset an idle connection. Bytes waiting to be
// read mean it has not: they are left in place for their reader.
bool PeerHasClosed(SOCKET socket);

}  // namespace nxapi
