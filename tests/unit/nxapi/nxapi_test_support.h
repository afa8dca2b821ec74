#pragma once
// Helpers of the nxapi tests: owned buffers and connections, a fresh thread
// per gateway (each thread has its own persistent connection), and waiting
// for messages with a bound.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "nxapi.h"

namespace nxapi_test {

struct BlockRelease {
    void operator()(NXUBLOCK buffer) const { UBlockRelease(buffer); }
};
using UniqueBlock = std::unique_ptr<NxUBlockRecord, BlockRelease>;

struct ConnectionClose {
    void operator()(NXCONNECTION connection) const { GatewayClose(connection); }
};
using UniqueConnection = std::unique_ptr<NxGatewayConnection, ConnectionClose>;

// A buffer with one piece per string.
UniqueBlock MakeBlock(const std::vector<std::string>& pieces);
// What UBlockRead hands out, one string per call, until it reports the end.
std::vector<std::string> ReadPieces(NXUBLOCK buffer, int room = 1 << 20);
UniqueConnection OpenConnection();

// Runs `body` on a new thread, so that it gets a connection of its own, with
// NXCOMM_GATEWAY set to `gateway` meanwhile.
void OnFreshThread(const std::string& gateway, const std::function<void()>& body);
// The same, with a connection opened for `body` and closed after it.
void OnFreshConnection(const std::string& gateway, const std::function<void(NXCONNECTION)>& body);

bool WaitReadable(NXAPI_SOCKET socket, int milliseconds);
// The local port of a connected socket: the same port means the same connection.
int LocalPort(NXAPI_SOCKET socket);

struct Message {
    int result = 0;                  // GatewayReceive's result: the kind, or a negative code
    std::vector<std::uint8_t> area;  // the receive area
    std::uint32_t RequestId() const;
    // The HTTP text the answer carries, read back through UBlockLoad.
    std::string Text() const;
};
// Waits for the socket and calls GatewayReceive until it gives something other
// than 0, for at most `milliseconds`; result 0 when nothing came.
Message ReceiveMessage(NXCONNECTION connection, int capacity = NXAPI_RECEIVE_AREA_SIZE, int milliseconds = 10000);
// The same through GatewayReceiveWait.
Message WaitMessage(NXCONNECTION connection, int capacity = NXAPI_RECEIVE_AREA_SIZE, int milliseconds = 10000);
// The two ways of taking a message, for tests that hold for both.
using Receiver = Message (*)(NXCONNECTION, int, int);
inline constexpr std::pair<const char*, Receiver> kReceivers[] = {{"select and GatewayReceive", &ReceiveMessage},
                                                                  {"GatewayReceiveWait", &WaitMessage}};

// An address on which nothing listens.
std::string ClosedLoopbackAddress();

}  // namespace nxapi_test
