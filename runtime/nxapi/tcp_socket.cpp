#include "runtime/nxapi/tcp_socket.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "runtime/nxapi/deadline.h"

namespace nxapi {

namespace {

timeval TimeLeft(const Deadline& deadline)
{
    const DWORD left = deadline.RemainingMs();
    return timeval{static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
}

// Waits until the socket is writable (true) or in error or out of time (false).
bool WaitWritable(SOCKET socket, const Deadline& deadline)
{
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit = TimeLeft(deadline);
    return select(0, nullptr, &writable, &failed, &limit) > 0 && FD_ISSET(socket, &writable) &&
           !FD_ISSET(socket, &failed);
}

bool SetNonBlocking(SOCKET socket)
{
    u_long on = 1;
    return ioctlsocket(socket, FIONBIO, &on) == 0;
}

bool SetNoDelay(SOCKET socket)
{
    const BOOL on = TRUE;
    return setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

bool ConnectionSucceeded(SOCKET socket)
{
    int error = 0;
    int size = sizeof error;
    return getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 && error == 0;
}

TcpSocket ConnectOne(const addrinfo& candidate, const Deadline& deadline)
{
    TcpSocket socket(::socket(candidate.ai_family, candidate.ai_socktype, candidate.ai_protocol));
    if (!socket || !SetNonBlocking(socket.Get())) return {};
    if (connect(socket.Get(), candidate.ai_addr, static_cast<int>(candidate.ai_addrlen)) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return {};
        if (!WaitWritable(socket.Get(), deadline) || !ConnectionSucceeded(socket.Get())) return {};
    }
    if (!SetNoDelay(socket.Get())) return {};
    return socket;
}

}  // namespace

WinsockUse::WinsockUse()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("Winsock did not start");
}

WinsockUse::~WinsockUse() { WSACleanup(); }

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept
{
    if (this != &other) {
        Close();
        socket_ = other.Release();
    }
    return *this;
}

void TcpSocket::Close()
{
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

SOCKET TcpSocket::Release()
{
    const SOCKET socket = socket_;
    socket_ = INVALID_SOCKET;
    return socket;
}

TcpSocket ConnectTo(const GatewayAddress& address, std::uint32_t timeoutMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found) != 0) return {};
    const Deadline deadline(timeoutMs);
    TcpSocket connected;
    for (const addrinfo* candidate = found; candidate && !connected; candidate = candidate->ai_next)
        connected = ConnectOne(*candidate, deadline);
    freeaddrinfo(found);
    return connected;
}

bool SendWhole(SOCKET socket, std::span<const std::uint8_t> bytes, std::uint32_t timeoutMs)
{
    const Deadline deadline(timeoutMs);
    while (!bytes.empty()) {
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
        const int sent = send(socket, reinterpret_cast<const char*>(bytes.data()), chunk, 0);
        if (sent > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(sent));
        } else if (sent == 0 || WSAGetLastError() != WSAEWOULDBLOCK || !WaitWritable(socket, deadline)) {
            return false;
        }
    }
    return true;
}

ReadResult ReadSome(SOCKET socket, std::span<std::uint8_t> into)
{
    const int room = static_cast<int>(std::min<std::size_t>(into.size(), INT_MAX));
    const int received = recv(socket, reinterpret_cast<char*>(into.data()), room, 0);
    if (received > 0) return {ReadStatus::data, static_cast<std::size_t>(received)};
    if (received < 0 && WSAGetLastError() == WSAEWOULDBLOCK) return {ReadStatus::would_block, 0};
    return {ReadStatus::closed, 0};
}

bool PeerHasClosed(SOCKET socket)
{
    char probe;
    const int received = recv(socket, &probe, 1, MSG_PEEK);
    return received == 0 || (received < 0 && WSAGetLastError() != WSAEWOULDBLOCK);
}

}  // namespace nxapi
