// The gateway relaying real requests over real sockets: responses come back
// byte for byte, targets are found as a proxy finds them, upstream
// connections are kept alive, and one client connection carries many
// requests at once.
#include "fake_upstream.h"
#include "gateway/src/request_log.h"
#include "gateway_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <thread>
#include <tuple>

namespace gwtest {
namespace {

using namespace std::string_literals;

std::string binary_body()
{
    std::string body;
    for (int i = 0; i < 512; ++i)
        body.push_back(static_cast<char>(i * 7));
    return body;
}

// Replies by path, each response as it must reach the client.
const std::map<std::string, std::string>& replies_by_path()
{
    static const std::map<std::string, std::string> replies{
        {"/length", ok_response("<r>5</r>", "Content-Type: text/xml\r\n")},
        {"/chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     "5\r\nhello\r\n1;x=y\r\n!\r\n0\r\nTrailer: 1\r\n\r\n"},
        {"/gzip", ok_response(binary_body(), "Content-Encoding: gzip\r\n")},
        {"/close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the end"},
        {"/nocontent", "HTTP/1.1 204 No Content\r\n\r\n"},
        {"/large", ok_response(std::string(1500000, 'L'))},
        {"/fault", "HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/xml\r\n"
                   "Content-Length: 7\r\n\r\n<fault>"},
    };
    return replies;
}

Reply reply_by_path(const std::string& request)
{
    const std::string path = request_path(request);
    const auto found = replies_by_path().find(path);
    if (found == replies_by_path().end())
        return {ok_response("default")};
    return {found->second, path == "/close"};
}

TEST(GatewayRelay, ReturnsEachResponseByteForByte)
{
    FakeUpstream upstream(reply_by_path);
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    for (const auto& [path, expected] : replies_by_path()) {
        const Answer answer = client.exchange(post(upstream.port(), path, "<call/>"));
        EXPECT_EQ(answer.response, expected) << path;
        EXPECT_EQ(answer.header.service, nxcomm::kHttpRelayService) << path;
        EXPECT_EQ(answer.header.mode, nxcomm::kAnswerMode) << path;
        EXPECT_EQ(answer.header.timeout_ms, 0u) << path;
    }
}

// A response of exactly `size` bytes (its Content-Length has as many digits
// as `size`, so the head is as long as for a body of `size`).
std::string response_of_size(std::size_t size)
{
    const std::size_t head = ok_response(std::string(size, 'F')).size() - size;
    return ok_response(std::string(size - head, 'F'));
}

TEST(GatewayRelay, DefaultResponseLimitFillsTheClientReceiveAreaExactly)
{
    const std::size_t limit = nxcomm::kMaxSinglePieceAnswer;
    FakeUpstream upstream([&](const std::string& request) {
        return Reply{response_of_size(request_path(request) == "/fits" ? limit : limit + 1)};
    });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    const Answer fits = client.exchange(post(upstream.port(), "/fits", ""));
    EXPECT_EQ(fits.response, response_of_size(limit));
    EXPECT_EQ(nxcomm::kHeaderSize + fits.header.payload_length, nxcomm::kClientReceiveArea);
    EXPECT_EQ(client.exchange(post(upstream.port(), "/over", "")).status(), 413);
}

TEST(GatewayRelay, HeadResponseEndsAfterItsHead)
{
    const std::string head_reply = "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n";
    FakeUpstream upstream([&](const std::string&) { return Reply{head_reply}; });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    const std::string head =
        "HEAD / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(upstream.port()) + "\r\n\r\n";
    EXPECT_EQ(client.exchange(head).response, head_reply);
    EXPECT_EQ(client.exchange(head).response, head_reply);
    EXPECT_EQ(upstream.connections(), 1);
}

TEST(GatewayRelay, AbsoluteFormTargetIsRewrittenToOriginForm)
{
    FakeUpstream upstream([](const std::string&) { return Reply{ok_response("ok")}; });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    const std::string rest = "Host: elsewhere.invalid\r\nContent-Length: 4\r\n\r\nbody";
    const std::string absolute = "POST http://127.0.0.1:" + std::to_string(upstream.port()) +
                                 "/svc/calc?op=add HTTP/1.1\r\n" + rest;
    const std::string origin = post(upstream.port(), "/plain", "data");

    EXPECT_EQ(client.exchange(absolute).status(), 200);
    EXPECT_EQ(client.exchange(origin).status(), 200);

    const auto seen = upstream.requests();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "POST /svc/calc?op=add HTTP/1.1\r\nHost: 127.0.0.1:" +
                           std::to_string(upstream.port()) + "\r\nContent-Length: 4\r\n\r\nbody");
    EXPECT_EQ(seen[1], origin);
}

TEST(GatewayRelay, KeepsUpstreamConnectionsAliveOnlyWhenTheResponseAllows)
{
    FakeUpstream keeps([](const std::string&) { return Reply{ok_response("k")}; });
    FakeUpstream closes([](const std::string&) {
        return Reply{ok_response("c", "Connection: close\r\n"), true};
    });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(client.exchange(post(keeps.port(), "/", "x")).status(), 200);
        EXPECT_EQ(client.exchange(post(closes.port(), "/", "x")).status(), 200);
    }
    EXPECT_EQ(keeps.connections(), 1);
    EXPECT_EQ(closes.connections(), 3);
}

TEST(GatewayRelay, DiscardsAKeptConnectionTheServerClosedMeanwhile)
{
    // Claims keep-alive but closes anyway, as servers do on their idle time-out.
    FakeUpstream upstream([](const std::string&) { return Reply{ok_response("once"), true}; });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(client.exchange(post(upstream.port(), "/", "x")).response, ok_response("once"));
        std::this_thread::sleep_for(50ms);  // let the close reach the gateway's side
    }
    EXPECT_EQ(upstream.connections(), 3);
}

TEST(GatewayRelay, ClosesUnusedUpstreamConnectionsWithoutFurtherTraffic)
{
    FakeUpstream upstream([](const std::string&) { return Reply{ok_response("k")}; });
    auto config = test_config();
    config.limits.upstream_idle = 200ms;
    GatewayRunner gateway(config);
    FrameClient client(gateway.port());
    EXPECT_EQ(client.exchange(post(upstream.port(), "/", "x")).status(), 200);
    EXPECT_EQ(upstream.open_connections(), 1);
    for (int i = 0; i < 100 && upstream.open_connections() > 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(upstream.open_connections(), 0);
}

// The server reads the request on a kept-alive connection and closes it
// without a word: it may or may not have acted on it.
TEST(GatewayRelay, SendsARequestAgainOnlyWhenThatIsSafe)
{
    FakeUpstream upstream([](const std::string& request) {
        return request_path(request) == "/charge" ? Reply{"", true} : Reply{ok_response("primed")};
    });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    const std::string target = "127.0.0.1:" + std::to_string(upstream.port());
    const std::vector<std::tuple<std::string, int, std::string>> cases{
        {"POST", 1,
         "Bad Gateway: " + target +
             " closed a kept-alive connection without responding; the POST request was not sent "
             "again as it may have taken effect"},
        {"GET", 2, "Bad Gateway: " + target + " closed the connection without a response"},
    };
    for (const auto& [method, sent, heading] : cases) {
        EXPECT_EQ(client.exchange(get(upstream.port(), "/prime")).status(), 200);
        const auto before = upstream.requests().size();
        const Answer answer = client.exchange(method + " /charge HTTP/1.1\r\nHost: " + target +
                                              "\r\nContent-Length: 9\r\n\r\ncharge 20");
        EXPECT_EQ(answer.heading(), heading) << method;
        EXPECT_EQ(upstream.requests().size() - before, static_cast<std::size_t>(sent)) << method;
    }
}

TEST(GatewayRelay, AnswersRequestsInFlightAsTheyComplete)
{
    FakeUpstream upstream([](const std::string& request) {
        const std::string path = request_path(request);
        return Reply{ok_response(path), false, path == "/slow" ? 400ms : 0ms};
    });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    ASSERT_TRUE(client.send_request(1, post(upstream.port(), "/slow", "")));
    ASSERT_TRUE(client.send_request(2, post(upstream.port(), "/fast", "")));
    ASSERT_TRUE(client.send_request(3, post(upstream.port(), "/fast", "")));

    std::vector<std::uint32_t> order;
    for (int i = 0; i < 3; ++i) {
        const Answer answer = client.receive();
        order.push_back(answer.header.request_id);
        EXPECT_EQ(answer.response, ok_response(answer.header.request_id == 1 ? "/slow" : "/fast"));
    }
    EXPECT_EQ(order.back(), 1u);
}

TEST(GatewayRelay, ReadsFramesHoweverTheyArrive)
{
    FakeUpstream upstream(
        [](const std::string& request) { return Reply{ok_response(request_path(request))}; });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    // Two frames in one write, then one frame trickled in three writes.
    ASSERT_TRUE(client.send(FrameClient::frame(1, post(upstream.port(), "/a", "1")) +
                            FrameClient::frame(2, post(upstream.port(), "/b", "2"))));
    const std::string third = FrameClient::frame(3, post(upstream.port(), "/c", "3"));
    const std::vector<std::size_t> cuts{0, 5, 20, third.size()};
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        ASSERT_TRUE(client.send(std::string_view(third).substr(cuts[i], cuts[i + 1] - cuts[i])));
        std::this_thread::sleep_for(20ms);
    }
    std::map<std::uint32_t, std::string> by_id;
    for (int i = 0; i < 3; ++i) {
        const Answer answer = client.receive();
        by_id[answer.header.request_id] = answer.response;
    }
    EXPECT_EQ(by_id[1], ok_response("/a"));
    EXPECT_EQ(by_id[2], ok_response("/b"));
    EXPECT_EQ(by_id[3], ok_response("/c"));
}

TEST(GatewayRelay, ServesManyClientsAtOnce)
{
    FakeUpstream upstream(
        [](const std::string& request) { return Reply{ok_response(request_path(request))}; });
    GatewayRunner gateway;
    constexpr int kClients = 64;
    constexpr int kRequestsEach = 5;
    std::atomic<int> correct{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            FrameClient client(gateway.port());
            for (int r = 0; r < kRequestsEach; ++r) {
                const std::string path = "/" + std::to_string(c) + "/" + std::to_string(r);
                if (client.exchange(post(upstream.port(), path, "x")).response == ok_response(path))
                    ++correct;
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(correct, kClients * kRequestsEach);
}

TEST(GatewayRelay, LogsOneLinePerRequest)
{
    FakeUpstream upstream([](const std::string&) { return Reply{ok_response("12345")}; });
    GatewayRunner gateway;
    FrameClient client(gateway.port());
    testing::internal::CaptureStderr();
    client.exchange(post(upstream.port(), "/logged", "x"));
    client.exchange(post(unused_port(), "/refused", "x"));
    const std::string log = testing::internal::GetCapturedStderr();

    const std::string url = "http://127.0.0.1:" + std::to_string(upstream.port()) + "/logged";
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
    EXPECT_NE(log.find("127.0.0.1:"), std::string::npos);
    EXPECT_NE(log.find(url + " 200 " + std::to_string(ok_response("12345").size()) + "B "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("/refused 502 "), std::string::npos) << log;
    EXPECT_NE(log.find("\"connection refused by"), std::string::npos) << log;
}

TEST(GatewayRelay, LogsNoUserInformation)
{
    testing::internal::CaptureStderr();
    nxcommd::log_request({"127.0.0.1:1",
                          "http://alice:secret@h:81/x",
                          400,
                          0,
                          {},
                          "bad target 'https://bob:hidden@h/' and ftp://carol@h"});
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find(" http://h:81/x 400 "), std::string::npos) << log;
    EXPECT_NE(log.find("'https://h/' and ftp://h\""), std::string::npos) << log;
    for (const char* secret : {"alice", "secret", "bob", "hidden", "carol"})
        EXPECT_EQ(log.find(secret), std::string::npos) << secret;
}

}  // namespace
}  // namespace gwtest
