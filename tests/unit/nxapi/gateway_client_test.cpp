// The client against the real gateway relaying to the canned HTTP server:
// raw HTTP out, framed answers back, one TCP connection per thread kept
// across exchanges, late answers, answers too large for the area.
#include "nxapi_test_support.h"  // first: winsock2.h must precede windows.h

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "nxapi.h"
#include "test_support.h"

namespace nxapi_test {
namespace {

constexpr char kEnvelope[] = "<Envelope/>";
constexpr char kAddResult[] = "<tns:AddResult>5</tns:AddResult>";
constexpr int kTimeoutMs = 10000;

class GatewayClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gateway_ = nvx::test::GatewayAddress();
        const std::wstring base = nvx::test::ServiceUrl("canned", L"");
        if (gateway_.empty() || base.empty()) GTEST_SKIP() << "needs the gateway and services fixtures";
        canned_.assign(base.begin(), base.end());  // plain ASCII
    }

    // A request as the library sends it: head, Content-Length, empty line, body.
    UniqueBlock Request(const std::string& path) const
    {
        const std::string host = canned_.substr(std::string("http://").size());
        return MakeBlock({"POST " + canned_ + path + " HTTP/1.1\r\nHost: " + host + "\r\nContent-Type: text/xml\r\n",
                          "Content-Length: " + std::to_string(sizeof kEnvelope - 1) + "\r\n", "\r\n", kEnvelope});
    }

    int Send(NXCONNECTION connection, const std::string& path) const
    {
        const UniqueBlock request = Request(path);
        return GatewaySend(connection, NXAPI_HTTP_RELAY_SERVICE, NXAPI_REQUEST_ANSWER_MODE, kTimeoutMs, request.get());
    }

    // One exchange on a handle of its own; returns the connection's local port.
    int Exchange(const std::string& path) const
    {
        const UniqueConnection connection = OpenConnection();
        const int id = Send(connection.get(), path);
        EXPECT_GT(id, 0);
        const Message answer = ReceiveMessage(connection.get());
        EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, answer.result);
        EXPECT_EQ(static_cast<std::uint32_t>(id), answer.RequestId());
        return LocalPort(GatewaySocket(connection.get()));
    }

    std::string gateway_;
    std::string canned_;  // http://127.0.0.1:PORT
};

TEST_F(GatewayClientTest, RelaysARawRequestAndReturnsTheFramedAnswer)
{
    OnFreshConnection(gateway_, [&](NXCONNECTION connection) {
        const int id = Send(connection, "/plain");
        ASSERT_GT(id, 0);
        ASSERT_TRUE(WaitReadable(GatewaySocket(connection), kTimeoutMs));
        const Message answer = ReceiveMessage(connection);
        ASSERT_EQ(NXAPI_HTTP_RELAY_SERVICE, answer.result);
        EXPECT_EQ(static_cast<std::uint32_t>(id), answer.RequestId());
        const std::string text = answer.Text();
        EXPECT_EQ(0u, text.find("HTTP/1.1 200")) << text;
        EXPECT_NE(std::string::npos, text.find(kAddResult)) << text;
        EXPECT_EQ(0, GatewayReceive(connection, std::vector<char>(64).data(), 64)) << "nothing else waits";
    });
}

TEST_F(GatewayClientTest, KeepsOneConnectionPerThreadAcrossExchanges)
{
    OnFreshThread(gateway_, [&] {
        const int port = Exchange("/plain");
        ASSERT_NE(0, port);
        EXPECT_EQ(port, Exchange("/chunked"));
        int otherThreadPort = 0;
        std::thread([&] { otherThreadPort = Exchange("/plain"); }).join();
        EXPECT_NE(0, otherThreadPort);
        EXPECT_NE(port, otherThreadPort) << "another thread has a connection of its own";
        EXPECT_EQ(port, Exchange("/plain"));
    });
}

TEST_F(GatewayClientTest, ALateAnswerStaysInTheStreamAndIsToldApartByItsId)
{
    OnFreshThread(gateway_, [&] {
        int lateId = 0;
        {
            // The caller gives up at once, long before the answer comes.
            const UniqueConnection connection = OpenConnection();
            lateId = Send(connection.get(), "/slow?ms=300");
            ASSERT_GT(lateId, 0);
        }
        const UniqueConnection connection = OpenConnection();
        ASSERT_TRUE(WaitReadable(GatewaySocket(connection.get()), kTimeoutMs)) << "the late answer arrives";
        const int id = Send(connection.get(), "/plain");
        ASSERT_GT(id, lateId);
        const Message late = ReceiveMessage(connection.get());
        EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, late.result);
        EXPECT_EQ(static_cast<std::uint32_t>(lateId), late.RequestId());
        const Message awaited = ReceiveMessage(connection.get());
        EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, awaited.result);
        EXPECT_EQ(static_cast<std::uint32_t>(id), awaited.RequestId());
        EXPECT_NE(std::string::npos, awaited.Text().find(kAddResult));
    });
}

TEST_F(GatewayClientTest, AnAnswerLargerThanTheAreaIsDroppedAndTheConnectionStays)
{
    OnFreshConnection(gateway_, [&](NXCONNECTION connection) {
        ASSERT_GT(Send(connection, "/plain"), 0);
        const int port = LocalPort(GatewaySocket(connection));
        EXPECT_EQ(NXAPI_E_MESSAGE_TOO_LARGE, ReceiveMessage(connection, 64).result);
        EXPECT_EQ(port, LocalPort(GatewaySocket(connection)));
        const int id = Send(connection, "/plain");
        const Message answer = ReceiveMessage(connection);
        EXPECT_EQ(NXAPI_HTTP_RELAY_SERVICE, answer.result);
        EXPECT_EQ(static_cast<std::uint32_t>(id), answer.RequestId());
    });
}

}  // namespace
}  // namespace nxapi_test
