// The client against a gateway played by the test: the request frame, answers
// split or joined on the wire, frames that break the format, connections that
// break, and the arguments and addresses that are refused.
#include "nxapi_test_support.h"  // first: winsock2.h must precede windows.h

#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fake_gateway.h"
#include "nxapi.h"

namespace nxapi_test {
namespace {

constexpr char kAnswer[] = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

int SendRequest(NXCONNECTION connection, int timeoutMs = 0)
{
    const UniqueBlock request = MakeBlock({"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n", "\r\n"});
    return GatewaySend(connection, NXAPI_HTTP_RELAY_SERVICE, NXAPI_REQUEST_ANSWER_MODE, timeoutMs, request.get());
}

// Sends the first request of a connection, which the fake gateway accepts and
// reads.
int SendFirstRequest(NXCONNECTION connection, FakeGateway& gateway)
{
    const int id = SendRequest(connection);
    EXPECT_GT(id, 0);
    EXPECT_TRUE(gateway.Accept());
    EXPECT_TRUE(gateway.ReadRequest());
    return id;
}

// Sends a request on the current connection and has the fake gateway answer it.
void ExpectAnsweredExchange(NXCONNECTION connection, FakeGateway& gateway, bool newConnection,
                            Receiver receive = &ReceiveMessage)
{
    const int id = SendRequest(connection);
    ASSERT_GT(id, 0);
    if (newConnection) {
        ASSERT_TRUE(gateway.Accept());
    }
    ASSERT_TRUE(gateway.ReadRequest());
    ASSERT_TRUE(gateway.Write(AnswerFrame(static_cast<std::uint32_t>(id), kAnswer)));
    const Message answer = receive(connection, NXAPI_RECEIVE_AREA_SIZE, 10000);
    EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, answer.result);
    EXPECT_EQ(static_cast<std::uint32_t>(id), answer.RequestId());
    EXPECT_EQ(kAnswer, answer.Text());
}

TEST(GatewayProtocolTest, SendsEachRequestAsOneFrameWithIncreasingIds)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
        const std::vector<std::string> pieces = {"POST / HTTP/1.1\r\n", "", "\r\n", "body"};
        const UniqueBlock request = MakeBlock(pieces);
        const int first = GatewaySend(connection, 2048, 2, 1234, request.get());
        const int second = GatewaySend(connection, 7, 9, -5, request.get());
        ASSERT_GT(first, 0);
        EXPECT_EQ(first + 1, second);

        BOOL noDelay = FALSE;
        int size = sizeof noDelay;
        getsockopt(GatewaySocket(connection), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&noDelay), &size);
        EXPECT_TRUE(noDelay);

        ASSERT_TRUE(gateway.Accept());
        std::vector<nxcomm::Bytes> views;
        for (const std::string& piece : pieces)
            views.emplace_back(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
        const std::vector<std::uint8_t> payload = nxcomm::serialize(views);
        const nxcomm::FrameHeader expected[] = {
            {static_cast<std::uint32_t>(first), 2048, 2, 1234, static_cast<std::uint32_t>(payload.size())},
            {static_cast<std::uint32_t>(second), 7, 9, 0, static_cast<std::uint32_t>(payload.size())},
        };
        for (const nxcomm::FrameHeader& header : expected) {
            const std::optional<RequestFrame> frame = gateway.ReadRequest();
            ASSERT_TRUE(frame);
            EXPECT_EQ(header, frame->header);
            EXPECT_EQ(payload, frame->payload);
        }
    });
}

TEST(GatewayProtocolTest, GivesNothingUntilASplitFrameIsWhole)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
        const int id = SendFirstRequest(connection, gateway);
        const std::vector<std::uint8_t> frame = AnswerFrame(static_cast<std::uint32_t>(id), kAnswer);
        std::vector<std::uint8_t> area(NXAPI_RECEIVE_AREA_SIZE);
        const NXAPI_SOCKET socket = GatewaySocket(connection);
        for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
            ASSERT_TRUE(gateway.Write(std::span(frame).subspan(i, 1)));
            ASSERT_TRUE(WaitReadable(socket, 10000));
            ASSERT_EQ(0, GatewayReceive(connection, area.data(), NXAPI_RECEIVE_AREA_SIZE)) << "byte " << i;
        }
        ASSERT_TRUE(gateway.Write(std::span(frame).last(1)));
        ASSERT_TRUE(WaitReadable(socket, 10000));
        ASSERT_EQ(NXAPI_HTTP_RELAY_SERVICE, GatewayReceive(connection, area.data(), NXAPI_RECEIVE_AREA_SIZE));
        EXPECT_EQ(0, std::memcmp(frame.data(), area.data(), frame.size())) << "the area holds the frame as sent";
    });
}

TEST(GatewayProtocolTest, LeavesTheNextOfTwoJoinedFramesVisibleToSelect)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
        const int id = SendFirstRequest(connection, gateway);
        std::vector<std::uint8_t> joined = AnswerFrame(99, "for someone else", 77);
        const std::vector<std::uint8_t> awaited = AnswerFrame(static_cast<std::uint32_t>(id), kAnswer);
        joined.insert(joined.end(), awaited.begin(), awaited.end());
        ASSERT_TRUE(gateway.Write(joined));

        EXPECT_EQ(77, ReceiveMessage(connection).result);
        ASSERT_TRUE(WaitReadable(GatewaySocket(connection), 0)) << "the second frame shows as readable";
        const Message answer = ReceiveMessage(connection, NXAPI_RECEIVE_AREA_SIZE, 0);
        EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, answer.result);
        EXPECT_EQ(static_cast<std::uint32_t>(id), answer.RequestId());
        EXPECT_EQ(0, ReceiveMessage(connection, NXAPI_RECEIVE_AREA_SIZE, 0).result);
    });
}

TEST(GatewayProtocolTest, DropsABrokenConnectionAndMakesItAnewOnTheNextSend)
{
    std::vector<std::uint8_t> trailing = AnswerFrame(1, kAnswer);
    trailing.push_back('!');
    nxcomm::put_u32(trailing, 12, nxcomm::get_u32(trailing, 12) + 1);
    std::vector<std::uint8_t> mismatch = AnswerFrame(1, kAnswer);
    nxcomm::put_u32(mismatch, 16, 1);  // data length
    std::vector<std::uint8_t> kindZero = AnswerFrame(1, kAnswer, 0);
    std::vector<std::uint8_t> shortPayload = AnswerFrame(1, "");
    nxcomm::put_u32(shortPayload, 12, 4);
    shortPayload.resize(nxcomm::kHeaderSize + 4);
    const std::vector<std::uint8_t> whole = AnswerFrame(1, kAnswer);
    const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + 20);

    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::function<void(FakeGateway&)> then;
        int expected;
    };
    const auto leaveOpen = [](FakeGateway&) {};
    const auto close = [](FakeGateway& gateway) { gateway.Close(); };
    const auto reset = [](FakeGateway& gateway) { gateway.Reset(); };
    const Case cases[] = {
        {"message kind 0", kindZero, leaveOpen, NXAPI_E_MALFORMED_FRAME},
        {"payload shorter than a buffer", shortPayload, leaveOpen, NXAPI_E_MALFORMED_FRAME},
        {"buffer lengths that disagree", mismatch, leaveOpen, NXAPI_E_MALFORMED_FRAME},
        {"bytes after the buffer", trailing, leaveOpen, NXAPI_E_MALFORMED_FRAME},
        {"gateway closes", {}, close, NXAPI_E_CONNECTION_LOST},
        {"gateway killed", {}, reset, NXAPI_E_CONNECTION_LOST},
        {"gateway closes within a frame", half, close, NXAPI_E_CONNECTION_LOST},
    };
    for (const auto& [way, receive] : kReceivers) {
        for (const Case& broken : cases) {
            SCOPED_TRACE(std::string(broken.name) + ", " + way);
            FakeGateway gateway;
            OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
                SendFirstRequest(connection, gateway);
                ASSERT_TRUE(broken.bytes.empty() || gateway.Write(broken.bytes));
                broken.then(gateway);
                EXPECT_EQ(broken.expected, receive(connection, NXAPI_RECEIVE_AREA_SIZE, 10000).result);
                EXPECT_EQ(INVALID_SOCKET, GatewaySocket(connection));
                char area[NXAPI_MIN_RECEIVE_CAPACITY];
                EXPECT_EQ(NXAPI_E_NOT_CONNECTED, GatewayReceive(connection, area, sizeof area));
                ExpectAnsweredExchange(connection, gateway, true, receive);
            });
        }
    }
}

TEST(GatewayProtocolTest, ReplacesAnIdleConnectionTheGatewayClosed)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
        ExpectAnsweredExchange(connection, gateway, true);
        gateway.Close();
        ASSERT_TRUE(WaitReadable(GatewaySocket(connection), 10000)) << "the close has arrived";
        ExpectAnsweredExchange(connection, gateway, true);
    });
}

// As a balancer or a draining gateway does it, between two waits: the
// receive left posted takes the close in, and the next send goes out on a
// new connection (the fake gateway reads it there, or the exchange fails).
TEST(GatewayProtocolTest, ReplacesAConnectionClosedBetweenWaits)
{
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "closed");
        FakeGateway gateway;
        OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
            ExpectAnsweredExchange(connection, gateway, true, &WaitMessage);
            reset ? gateway.Reset() : gateway.Close();
            Sleep(300);  // for the close to arrive; the next send must not fail
            ExpectAnsweredExchange(connection, gateway, true, &WaitMessage);
            ExpectAnsweredExchange(connection, gateway, false, &WaitMessage);
        });
    }
}

TEST(GatewayProtocolTest, AWaitTakesFramesAsTheyComeAndKeepsWhatFollows)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
        const int id = SendFirstRequest(connection, gateway);
        const std::vector<std::uint8_t> awaited = AnswerFrame(static_cast<std::uint32_t>(id), kAnswer);
        std::vector<std::uint8_t> joined = AnswerFrame(99, "for someone else", 77);
        joined.insert(joined.end(), awaited.begin(), awaited.end());
        joined.insert(joined.end(), awaited.begin(), awaited.begin() + 20);
        ASSERT_TRUE(gateway.Write(joined));

        EXPECT_EQ(77, WaitMessage(connection).result);
        const Message answer = WaitMessage(connection, NXAPI_RECEIVE_AREA_SIZE, 0);
        EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, answer.result) << "kept from the same read";
        EXPECT_EQ(kAnswer, answer.Text());
        EXPECT_EQ(0, WaitMessage(connection, NXAPI_RECEIVE_AREA_SIZE, 50).result) << "a frame cut short";
        ASSERT_TRUE(gateway.Write(std::span(awaited).subspan(20)));
        EXPECT_EQ(kAnswer, WaitMessage(connection).Text());
    });
}

TEST(GatewayProtocolTest, AWaitThatRunsOutLeavesTheLateAnswerToBeToldApart)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
        const int late = SendFirstRequest(connection, gateway);
        EXPECT_EQ(0, WaitMessage(connection, NXAPI_RECEIVE_AREA_SIZE, 100).result);
        ASSERT_TRUE(gateway.Write(AnswerFrame(static_cast<std::uint32_t>(late), "late")));

        const int id = SendRequest(connection);
        ASSERT_TRUE(gateway.ReadRequest()) << "on the same connection";
        ASSERT_TRUE(gateway.Write(AnswerFrame(static_cast<std::uint32_t>(id), kAnswer)));
        const Message first = WaitMessage(connection);
        EXPECT_EQ(static_cast<std::uint32_t>(late), first.RequestId());
        EXPECT_EQ("late", first.Text());
        EXPECT_EQ(static_cast<std::uint32_t>(id), WaitMessage(connection).RequestId());
    });
}

TEST(GatewayProtocolTest, ClosesAThreadsConnectionWhenTheThreadEnds)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(),
                      [&](NXCONNECTION connection) { ExpectAnsweredExchange(connection, gateway, true); });
    EXPECT_TRUE(gateway.SeesClosed());
}

TEST(GatewayProtocolTest, DropsAMessageLargerThanTheAreaAsItsBytesArrive)
{
    FakeGateway gateway;
    OnFreshConnection(gateway.Address(), [&](NXCONNECTION connection) {
        const int id = SendFirstRequest(connection, gateway);
        const std::vector<std::uint8_t> large = AnswerFrame(static_cast<std::uint32_t>(id), std::string(200, 'L'));
        const std::size_t firstPart = 50;
        ASSERT_TRUE(gateway.Write(std::span(large).first(firstPart)));
        EXPECT_EQ(NXAPI_E_MESSAGE_TOO_LARGE, ReceiveMessage(connection, 64).result);

        const std::vector<std::uint8_t> small = AnswerFrame(static_cast<std::uint32_t>(id), "ok");
        std::vector<std::uint8_t> rest(large.begin() + firstPart, large.end());
        rest.insert(rest.end(), small.begin(), small.end());
        ASSERT_TRUE(gateway.Write(rest));
        const Message answer = ReceiveMessage(connection, 64);
        EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, answer.result);
        EXPECT_EQ("ok", answer.Text());
    });
}

TEST(GatewayProtocolTest, ReachesTheGatewayByHostName)
{
    FakeGateway gateway;
    const std::string port = gateway.Address().substr(gateway.Address().rfind(':'));
    OnFreshConnection("localhost" + port,
                      [&](NXCONNECTION connection) { ExpectAnsweredExchange(connection, gateway, true); });
}

TEST(GatewayProtocolTest, FailsAtOnceWhenTheGatewayCannotBeReached)
{
    const std::pair<std::string, int> cases[] = {
        {ClosedLoopbackAddress(), NXAPI_E_CONNECT_FAILED},
        {"127.0.0.1", NXAPI_E_GATEWAY_ADDRESS},
        {"127.0.0.1:", NXAPI_E_GATEWAY_ADDRESS},
        {"127.0.0.1:0", NXAPI_E_GATEWAY_ADDRESS},
        {"127.0.0.1:65536", NXAPI_E_GATEWAY_ADDRESS},
        {"127.0.0.1:75x", NXAPI_E_GATEWAY_ADDRESS},
        {":7575", NXAPI_E_GATEWAY_ADDRESS},
        {"::1:7575", NXAPI_E_GATEWAY_ADDRESS},
    };
    for (const auto& [address, expected] : cases) {
        SCOPED_TRACE(address);
        OnFreshConnection(address, [&](NXCONNECTION connection) {
            EXPECT_EQ(expected, SendRequest(connection));
            EXPECT_EQ(INVALID_SOCKET, GatewaySocket(connection));
            char area[NXAPI_MIN_RECEIVE_CAPACITY];
            EXPECT_EQ(NXAPI_E_NOT_CONNECTED, GatewayReceive(connection, area, sizeof area));
        });
    }
}

TEST(GatewayProtocolTest, RefusesBadArguments)
{
    const UniqueConnection connection = OpenConnection();
    ASSERT_TRUE(connection);
    const UniqueBlock request = MakeBlock({"x"});
    char area[NXAPI_MIN_RECEIVE_CAPACITY];
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewaySend(nullptr, 2048, 2, 0, request.get()));
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewaySend(connection.get(), 2048, 2, 0, nullptr));
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewaySend(connection.get(), 0, 2, 0, request.get()));
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewaySend(connection.get(), 65536, 2, 0, request.get()));
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewaySend(connection.get(), 2048, -1, 0, request.get()));
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewayReceive(nullptr, area, sizeof area));
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewayReceive(connection.get(), nullptr, sizeof area));
    EXPECT_EQ(NXAPI_E_BAD_ARGUMENTS, GatewayReceive(connection.get(), area, sizeof area - 1));
    EXPECT_EQ(INVALID_SOCKET, GatewaySocket(nullptr));
    GatewayClose(nullptr);
}

}  // namespace
}  // namespace nxapi_test
