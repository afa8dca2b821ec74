#include "capture_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace nvx::test {
namespace {

constexpr long kWaitSeconds = 10;
constexpr size_t kMaxRequest = 1 << 20;

bool WaitReadable(SOCKET socket)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout{kWaitSeconds, 0};
    return select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

SOCKET BoundLoopbackSocket(unsigned short* port)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (socket == INVALID_SOCKET || bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (socket != INVALID_SOCKET) closesocket(socket);
        return INVALID_SOCKET;
    }
    *port = ntohs(address.sin_port);
    return socket;
}

// The announced body length, or 0.
size_t ContentLength(const std::string& head)
{
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const size_t field = lower.find("\r\ncontent-length:");
    return field == std::string::npos ? 0 : std::strtoul(head.c_str() + field + 17, nullptr, 10);
}

bool RequestComplete(const std::string& received)
{
    const size_t headEnd = received.find("\r\n\r\n");
    return headEnd != std::string::npos && received.size() >= headEnd + 4 + ContentLength(received.substr(0, headEnd));
}

}  // namespace

CaptureServer::CaptureServer(std::string response) : response_(std::move(response))
{
    listener_ = BoundLoopbackSocket(&port_);
    if (listener_ != INVALID_SOCKET && listen(listener_, 1) == 0) thread_ = std::thread([this] { Serve(); });
}

CaptureServer::~CaptureServer()
{
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
}

std::wstring CaptureServer::HostAndPort() const { return L"127.0.0.1:" + std::to_wstring(port_); }

std::wstring CaptureServer::Url(const wchar_t* path) const { return L"http://" + HostAndPort() + path; }

std::string CaptureServer::Request()
{
    if (thread_.joinable()) thread_.join();
    return request_;
}

void CaptureServer::Serve()
{
    if (!WaitReadable(listener_)) return;
    const SOCKET connection = accept(listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) return;
    char buffer[4096];
    while (!RequestComplete(request_) && request_.size() < kMaxRequest && WaitReadable(connection)) {
        const int received = recv(connection, buffer, sizeof buffer, 0);
        if (received <= 0) break;
        request_.append(buffer, static_cast<size_t>(received));
    }
    send(connection, response_.data(), static_cast<int>(response_.size()), 0);
    shutdown(connection, SD_SEND);
    closesocket(connection);
}

unsigned short UnusedPort()
{
    unsigned short port = 0;
    const SOCKET socket = BoundLoopbackSocket(&port);
    if (socket != INVALID_SOCKET) closesocket(socket);
    return port;
}

}  // namespace nvx::test
