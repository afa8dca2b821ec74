#include "nxapi_test_support.h"

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <thread>

namespace nxapi_test {

namespace {

constexpr char kGatewayVariable[] = "NXCOMM_GATEWAY";

// The tests' own sockets (the fake gateway, select) need Winsock too.
struct WinsockForTests {
    WinsockForTests()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockForTests() { WSACleanup(); }
} winsockForTests;

std::optional<std::string> Variable(const char* name)
{
    char value[1024];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::nullopt;
    return std::string(value, length);
}

}  // namespace

UniqueBlock MakeBlock(const std::vector<std::string>& pieces)
{
    UniqueBlock buffer(UBlockCreate());
    for (const std::string& piece : pieces)
        EXPECT_EQ(0, UBlockAppend(buffer.get(), static_cast<int>(piece.size()), piece.data()));
    return buffer;
}

std::vector<std::string> ReadPieces(NXUBLOCK buffer, int room)
{
    std::vector<std::string> pieces;
    std::string piece(static_cast<std::size_t>(room), '\0');
    for (int length = room; UBlockRead(buffer, &length, piece.data()) == 0; length = room)
        pieces.emplace_back(piece.data(), static_cast<std::size_t>(length));
    return pieces;
}

UniqueConnection OpenConnection() { return UniqueConnection(GatewayOpen(NXAPI_OPEN_REQUEST_ANSWER)); }

void OnFreshThread(const std::string& gateway, const std::function<void()>& body)
{
    const std::optional<std::string> previous = Variable(kGatewayVariable);
    SetEnvironmentVariableA(kGatewayVariable, gateway.c_str());
    std::thread(body).join();
    SetEnvironmentVariableA(kGatewayVariable, previous ? previous->c_str() : nullptr);
}

void OnFreshConnection(const std::string& gateway, const std::function<void(NXCONNECTION)>& body)
{
    OnFreshThread(gateway, [&] {
        const UniqueConnection connection = OpenConnection();
        body(connection.get());
    });
}

bool WaitReadable(NXAPI_SOCKET socket, int milliseconds)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval limit{milliseconds / 1000, milliseconds % 1000 * 1000};
    return select(0, &readable, nullptr, nullptr, &limit) == 1;
}

int LocalPort(NXAPI_SOCKET socket)
{
    sockaddr_storage address{};
    int size = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) return 0;
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

std::uint32_t Message::RequestId() const
{
    std::uint32_t id = 0;
    if (area.size() >= sizeof id) std::memcpy(&id, area.data(), sizeof id);
    return id;
}

std::string Message::Text() const
{
    UniqueBlock buffer(UBlockCreate());
    UBlockLoad(buffer.get(), area.data() + 16);
    std::string text;
    for (const std::string& piece : ReadPieces(buffer.get())) text += piece;
    return text;
}

Message ReceiveMessage(NXCONNECTION connection, int capacity, int milliseconds)
{
    Message message;
    message.area.resize(static_cast<std::size_t>(capacity));
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (;;) {
        message.result = GatewayReceive(connection, message.area.data(), capacity);
        const ULONGLONG now = GetTickCount64();
        if (message.result != 0 || now >= end) return message;
        WaitReadable(GatewaySocket(connection), static_cast<int>(end - now));
    }
}

Message WaitMessage(NXCONNECTION connection, int capacity, int milliseconds)
{
    Message message;
    message.area.resize(static_cast<std::size_t>(capacity));
    message.result = GatewayReceiveWait(connection, message.area.data(), capacity, milliseconds);
    return message;
}

std::string ClosedLoopbackAddress()
{
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(probe);
    return "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

}  // namespace nxapi_test
