// The gateway exchange, driven through the stream against a scripted gateway:
// what is sent, how the wait ends, and what the reader then gets.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "NvxWebSvc.h"
#include "base/common/com_ptr.h"
#include "scripted_gateway.h"
#include "test_support.h"

namespace {

using nvx::ComPtr;
using nvx::test::ComApartment;
using nvx::test::HttpResponse;
using nvx::test::ScriptedGateway;
using Connection = ScriptedGateway::Connection;
using Request = ScriptedGateway::Request;

const char kHead[] = "POST /svc HTTP/1.1\r\nHost: h\r\n";
const char kEnvelope[] = "<Envelope>ok</Envelope>";
const std::string kOkAnswer = HttpResponse(200, "text/xml; charset=utf-8", kEnvelope);

void Write(INvxUBlockStream* stream, const std::string& bytes)
{
    ULONG written = 0;
    ASSERT_HR(S_OK, stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written));
    ASSERT_EQ(bytes.size(), written);
}

std::string ReadAnswer(INvxUBlockStream* stream)
{
    STATSTG stat{};
    EXPECT_HR(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
    std::string body(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    ULONG read = 0;
    if (!body.empty()) stream->Read(body.data(), static_cast<ULONG>(body.size()), &read);
    body.resize(read);
    return body;
}

// Sends head and payload, waits, and returns the body the reader gets.
std::string Exchange(INvxUBlockStream* stream, const std::string& head, const std::string& payload, long timeout)
{
    stream->put_Timeout(timeout);
    if (!head.empty()) {
        Write(stream, head);
        EXPECT_HR(S_OK, stream->Commit(999));
    }
    if (!payload.empty()) Write(stream, payload);
    EXPECT_HR(S_OK, stream->Commit(0));
    return ReadAnswer(stream);
}

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stream_ = nvx::test::CreateInProcess<INvxUBlockStream>(CLSID_NvxUBlockStream);
        ASSERT_TRUE(stream_);
    }

    std::string Exchange(const std::string& head, const std::string& payload, long timeout = 5000)
    {
        return ::Exchange(stream_.Get(), head, payload, timeout);
    }

    std::string ReadAnswer() { return ::ReadAnswer(stream_.Get()); }

    ComApartment apartment_;
    ComPtr<INvxUBlockStream> stream_;
};

bool IsFaultWith(const std::string& body, const std::string& text)
{
    return body.find("Fault>") != std::string::npos &&
           body.find("<faultstring>" + text + "</faultstring>") != std::string::npos;
}

TEST_F(ExchangeTest, RequestIsHeadContentLengthEmptyLineAndPayload)
{
    ScriptedGateway gateway([](Connection& connection, const Request& request) {
        connection.Answer(request.id, request.service, kOkAnswer);
    });
    const std::string payload = "<SOAPSDK1:Add xmlns:SOAPSDK1=\"urn:x\"><SOAPSDK1:a>1</SOAPSDK1:a></SOAPSDK1:Add>";
    EXPECT_EQ(kEnvelope, Exchange(kHead, payload, 2000));

    const auto requests = gateway.Requests();
    ASSERT_EQ(1u, requests.size());
    const std::string sent = "<Add xmlns=\"urn:x\"><a>1</a></Add>";
    EXPECT_EQ(std::string(kHead) + "Content-Length: " + std::to_string(sent.size()) + "\r\n\r\n" + sent,
              requests[0].http);
    EXPECT_EQ(2048, requests[0].service);
    EXPECT_EQ(2, requests[0].mode);
    EXPECT_EQ(3000u, requests[0].timeout) << "the gateway waits a second longer than the caller";
}

TEST_F(ExchangeTest, AGetHasNoContentLengthAndAPayloadAloneGoesBare)
{
    ScriptedGateway gateway([](Connection& connection, const Request& request) {
        connection.Answer(request.id, request.service, kOkAnswer);
    });
    Exchange(kHead, "");
    Exchange("", kEnvelope);
    const auto requests = gateway.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(std::string(kHead) + "\r\n", requests[0].http);
    EXPECT_EQ(kEnvelope, requests[1].http);
}

TEST_F(ExchangeTest, NothingToSendSendsNothing)
{
    ScriptedGateway gateway([](Connection&, const Request&) {});
    EXPECT_HR(S_OK, stream_->Commit(0));
    EXPECT_TRUE(gateway.Requests().empty());
}

TEST_F(ExchangeTest, MessagesForOthersAreDroppedWhileTheWaitGoesOn)
{
    ScriptedGateway gateway([](Connection& connection, const Request& request) {
        connection.Answer(request.id, 7, HttpResponse(200, "text/xml", "<wrong-kind/>"));
        connection.Answer(request.id + 100, request.service, HttpResponse(200, "text/xml", "<wrong-id/>"));
        connection.Answer(request.id, request.service, kOkAnswer);
    });
    EXPECT_EQ(kEnvelope, Exchange(kHead, kEnvelope));
}

TEST_F(ExchangeTest, NoAnswerWithinTheTimeoutGivesTheTimeoutFault)
{
    ScriptedGateway gateway([](Connection& connection, const Request& request) {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        connection.Answer(request.id, request.service, kOkAnswer);
    });
    const auto started = std::chrono::steady_clock::now();
    const std::string body = Exchange(kHead, kEnvelope, 300);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(800));
    EXPECT_TRUE(IsFaultWith(body, "Norvexa Timeout: no answer within 300 ms")) << body;

    // The late answer of that request is dropped by the next wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(kEnvelope, Exchange(kHead, kEnvelope, 3000));
}

TEST_F(ExchangeTest, ATimeoutOfZeroOnlyPolls)
{
    ScriptedGateway gateway([](Connection&, const Request&) {});
    EXPECT_TRUE(IsFaultWith(Exchange(kHead, kEnvelope, 0), "Norvexa Timeout: no answer within 0 ms"));
}

// A gateway that goes away with the request in flight: the call fails
// cleanly, the request is never sent again, and the next call reconnects.
TEST_F(ExchangeTest, AConnectionLostInFlightGivesTheSocketExceptionFault)
{
    int requests = 0;
    ScriptedGateway gateway([&](Connection& connection, const Request& request) {
        if (++requests == 1)
            connection.Close();
        else
            connection.Answer(request.id, request.service, kOkAnswer);
    });
    const std::string body = Exchange(kHead, kEnvelope);
    EXPECT_TRUE(IsFaultWith(body, "Norvexa Socket Exception: the connection to the gateway was lost")) << body;
    EXPECT_EQ(kEnvelope, Exchange(kHead, kEnvelope));
    EXPECT_EQ(2u, gateway.Requests().size());
}

// As a balancer's idle time-out or a draining gateway does it: no call fails.
TEST_F(ExchangeTest, AConnectionClosedBetweenCallsIsReplacedWithoutFailing)
{
    ScriptedGateway gateway([](Connection& connection, const Request& request) {
        connection.Answer(request.id, request.service, kOkAnswer);
        connection.Close();
    });
    for (int call = 0; call < 3; ++call) {
        EXPECT_EQ(kEnvelope, Exchange(kHead, kEnvelope)) << "call " << call;
        Sleep(200);  // for the close to arrive
    }
    EXPECT_EQ(3u, gateway.Requests().size());
}

// More callers at once than receive areas are kept between calls, each with a
// new stream per call: every caller gets its own answer, whole.
TEST_F(ExchangeTest, CallersOnManyThreadsEachGetTheirOwnAnswer)
{
    ScriptedGateway gateway([](Connection& connection, const Request& request) {
        connection.Answer(request.id, request.service, HttpResponse(200, "text/xml", request.http));
    });
    constexpr int kCallers = 24, kCalls = 4;
    std::atomic<int> right{0};
    std::vector<std::thread> callers;
    for (int caller = 0; caller < kCallers; ++caller)
        callers.emplace_back([&right, caller] {
            ComApartment apartment;
            const std::string payload = "<n>" + std::string(caller * 500, static_cast<char>('a' + caller)) + "</n>";
            for (int call = 0; call < kCalls; ++call) {
                auto stream = nvx::test::CreateInProcess<INvxUBlockStream>(CLSID_NvxUBlockStream);
                if (stream && ::Exchange(stream.Get(), "", payload, 10000) == payload) ++right;
            }
        });
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(kCallers * kCalls, right.load());
}

TEST_F(ExchangeTest, AnErrorAfterTheAnswerReplacesIt)
{
    ScriptedGateway gateway([](Connection& connection, const Request& request) {
        std::vector<uint8_t> bytes = nvx::test::AnswerFrame(request.id, request.service, kOkAnswer);
        bytes.insert(bytes.end(), 16, 0xFF);  // a header announcing 4 GiB, arriving with the answer
        connection.SendBytes(bytes);
    });
    const std::string body = Exchange(kHead, kEnvelope);
    EXPECT_TRUE(body.find("<faultstring>NXComm Error[") != std::string::npos) << body;
}

// An HTML page names its failure in its heading; another answer no reader can
// take, and any refusal of credentials, is named by its status.
TEST_F(ExchangeTest, FailedAnswersBecomeFaultsThatNameTheirCause)
{
    const struct {
        std::string answer;
        std::string fault;
    } cases[] = {
        {HttpResponse(401, "text/plain", "credentials required"), "HTTP status 401 Status"},
        {HttpResponse(401, "text/html", "<h1>Unauthorized</h1>"), "HTTP status 401 Status"},
        {HttpResponse(503, "text/plain", "busy"), "HTTP status 503 Status"},
        {"HTTP/1.1 404\r\nContent-Length: 0\r\n\r\n", "HTTP status 404"},
        {HttpResponse(404, "text/html", "<html><body><h1>Not Found</h1></body></html>"), "Not Found"},
        {HttpResponse(502, "text/html", "<h1>Bad &amp; Gateway</h1>"), "Bad &amp; Gateway"},
        {HttpResponse(500, "text/html", "<p>no heading</p>"), "Unknown NXComm Gateway Error"},
        {HttpResponse(500, "text/html", "</h1>backwards<h1>"), "Unknown NXComm Gateway Error"},
        {HttpResponse(500, "text/html", "<h1>" + std::string(600, 'x') + "</h1>"), std::string(511, 'x')},
    };
    for (const auto& row : cases) {
        ScriptedGateway gateway([&](Connection& connection, const Request& request) {
            connection.Answer(request.id, request.service, row.answer);
        });
        const std::string body = Exchange(kHead, kEnvelope);
        EXPECT_TRUE(IsFaultWith(body, row.fault)) << body;
    }
}

TEST_F(ExchangeTest, ASoapFaultWithAnXmlTypeIsHandedOnUnchanged)
{
    const std::string fault = "<Envelope><Body><Fault>server said no</Fault></Body></Envelope>";
    ScriptedGateway gateway([&](Connection& connection, const Request& request) {
        connection.Answer(request.id, request.service, HttpResponse(500, "text/xml; charset=utf-8", fault));
    });
    EXPECT_EQ(fault, Exchange(kHead, kEnvelope));
}

TEST_F(ExchangeTest, AGatewayThatIsNotRunningFailsAtOnce)
{
    SetEnvironmentVariableA("NXCOMM_GATEWAY", "127.0.0.1:9");
    const auto started = std::chrono::steady_clock::now();
    const std::string body = Exchange(kHead, kEnvelope, 20000);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(
        IsFaultWith(body, "Norvexa Socket Exception: the gateway cannot be reached (NXCOMM_GATEWAY=127.0.0.1:9)"))
        << body;
    SetEnvironmentVariableA("NXCOMM_GATEWAY", nullptr);
}

TEST_F(ExchangeTest, AWaitWithNothingSentEndsAtOnce)
{
    EXPECT_TRUE(IsFaultWith(ReadAnswer(), "Norvexa Socket Exception: no request was sent to the gateway"));
}

}  // namespace
