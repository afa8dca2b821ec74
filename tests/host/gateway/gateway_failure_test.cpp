// Every way a request can fail ends in a framed HTML error page whose <h1>
// names the reason; limits hold; a stalled or surplus client is dropped
// without disturbing the others.
#include "fake_upstream.h"
#include "gateway_harness.h"

#include <gtest/gtest.h>

#include <thread>

namespace gwtest {
namespace {

constexpr std::size_t kMaxRequest = 2000;
constexpr std::size_t kMaxResponse = 3000;
constexpr std::size_t kMaxHeader = 1024;

nxcommd::GatewayConfig limited_config()
{
    auto config = test_config();
    config.limits.max_request_bytes = kMaxRequest;
    config.limits.max_response_bytes = kMaxResponse;
    config.limits.max_header_bytes = kMaxHeader;
    config.limits.idle_timeout = 300ms;
    return config;
}

Reply misbehave(const std::string& request)
{
    const std::string path = request_path(request);
    if (path == "/broken")
        return {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part", true};
    if (path == "/silent")
        return {"", false, 0ms, true};
    if (path == "/garbled")
        return {"HTTP/1.1 2x0 Maybe\r\n\r\n"};
    if (path == "/big")
        return {ok_response(std::string(kMaxResponse, 'b'))};
    if (path == "/bighead")
        return {"HTTP/1.1 200 OK\r\nX-Fill: " + std::string(kMaxHeader, 'h') + "\r\n\r\n"};
    return {ok_response("fine")};
}

struct ErrorCase {
    const char* name;
    std::string request;
    std::uint32_t timeout_ms;
    int status;
    std::string heading;  // the <h1> text, from its start
};

void expect_error_page(const Answer& answer, int status, const std::string& heading,
                       const char* name)
{
    const std::string& page = answer.response;
    EXPECT_EQ(answer.status(), status) << name;
    EXPECT_EQ(page.rfind("HTTP/1.1 " + std::to_string(status) + " ", 0), 0u) << name;
    EXPECT_NE(page.find("\r\nContent-Type: text/html\r\n"), std::string::npos) << name;
    const auto body = page.find("\r\n\r\n") + 4;
    EXPECT_NE(page.find("Content-Length: " + std::to_string(page.size() - body) + "\r\n"),
              std::string::npos)
        << name;
    EXPECT_EQ(answer.heading().rfind(heading, 0), 0u) << name << ": " << answer.heading();
}

TEST(GatewayFailure, EachFailureAnswersWithItsErrorPage)
{
    FakeUpstream upstream(misbehave);
    GatewayRunner gateway(limited_config());
    FrameClient client(gateway.port());
    const std::uint16_t up = upstream.port();
    const std::string up_name = "127.0.0.1:" + std::to_string(up);
    const std::uint16_t closed = unused_port();

    const std::vector<ErrorCase> cases{
        {"unparseable", "this is not HTTP\r\n\r\n", 0, 400, "Bad Request: malformed request"},
        {"no Host", "GET / HTTP/1.1\r\n\r\n", 0, 400, "Bad Request: request has no Host header"},
        {"outside the allow-list",
         "POST http://10.0.0.1:8/ HTTP/1.1\r\nHost: 10.0.0.1:8\r\nContent-Length: 0\r\n\r\n", 0,
         403, "Forbidden: target 10.0.0.1:8 is not on the allow-list"},
        {"request too large", post(up, "/", std::string(kMaxRequest, 'r')), 0, 413,
         "Payload Too Large: request exceeds 2000 bytes"},
        {"request head too large", post(up, "/" + std::string(kMaxHeader, 'p'), ""), 0, 413,
         "Payload Too Large: request head exceeds"},
        {"connection refused", post(closed, "/", ""), 0, 502,
         "Bad Gateway: connection refused by 127.0.0.1:" + std::to_string(closed)},
        {"breaks off", post(up, "/broken", ""), 0, 502,
         "Bad Gateway: " + up_name + " closed the connection mid-response"},
        {"garbled response", post(up, "/garbled", ""), 0, 502,
         "Bad Gateway: " + up_name + " sent a malformed response"},
        {"no answer in time", post(up, "/silent", ""), 200, 504,
         "Gateway Timeout: no response from " + up_name + " within 200 ms"},
        {"response too large", post(up, "/big", ""), 0, 413,
         "Payload Too Large: " + up_name + " sent a response over 3000 bytes"},
        {"response head too large", post(up, "/bighead", ""), 0, 413,
         "Payload Too Large: " + up_name + " sent a response head over 1024 bytes"},
    };
    for (const auto& c : cases) {
        const Answer answer = client.exchange(c.request, c.timeout_ms);
        expect_error_page(answer, c.status, c.heading, c.name);
    }
    // The connection survived all of them.
    EXPECT_EQ(client.exchange(post(up, "/", "")).response, ok_response("fine"));
}

TEST(GatewayFailure, FramesItCannotUseAreAnsweredAndTheStreamStaysInStep)
{
    FakeUpstream upstream(misbehave);
    GatewayRunner gateway(limited_config());
    FrameClient client(gateway.port());

    std::string unknown = FrameClient::frame(5, post(upstream.port(), "/", ""), 0, 77);
    ASSERT_TRUE(client.send(unknown));
    Answer answer = client.receive();
    EXPECT_EQ(answer.header.service, 77);  // the kind is the request's service
    expect_error_page(answer, 400, "Bad Request: unknown service 77", "unknown service");

    const std::string garbage = "\x01\x00\x00\x00\x09\x00\x00\x00";
    nxcomm::FrameHeader header{6, nxcomm::kHttpRelayService, nxcomm::kRequestAnswerMode, 0,
                               static_cast<std::uint32_t>(garbage.size())};
    std::array<std::uint8_t, nxcomm::kHeaderSize> head{};
    nxcomm::encode_header(header, head);
    ASSERT_TRUE(client.send(std::string(head.begin(), head.end()) + garbage));
    expect_error_page(client.receive(), 400, "Bad Request: malformed serialized buffer",
                      "malformed buffer");

    // An oversized frame is answered at once; its payload is skipped as it arrives.
    const std::string huge(kMaxRequest + 300000, 'z');
    header = {7, nxcomm::kHttpRelayService, nxcomm::kRequestAnswerMode, 0,
              static_cast<std::uint32_t>(huge.size())};
    nxcomm::encode_header(header, head);
    ASSERT_TRUE(client.send(std::string(head.begin(), head.end())));
    answer = client.receive();
    EXPECT_EQ(answer.header.request_id, 7u);
    expect_error_page(answer, 413, "Payload Too Large: request frame of", "oversized frame");
    ASSERT_TRUE(client.send(huge));
    EXPECT_EQ(client.exchange(post(upstream.port(), "/", "")).response, ok_response("fine"));
}

TEST(GatewayFailure, StalledClientIsDroppedOthersAreServed)
{
    FakeUpstream upstream(misbehave);
    GatewayRunner gateway(limited_config());
    FrameClient stalled(gateway.port());
    FrameClient silent(gateway.port());
    ASSERT_TRUE(stalled.send(FrameClient::frame(1, post(upstream.port(), "/", "")).substr(0, 10)));

    FrameClient healthy(gateway.port());
    EXPECT_EQ(healthy.exchange(post(upstream.port(), "/", "")).response, ok_response("fine"));
    EXPECT_TRUE(peer_closes(stalled.fd(), 3000ms));
    EXPECT_TRUE(peer_closes(silent.fd(), 3000ms));
    // The healthy client idles as long as the others by now, so a new one asks.
    FrameClient another(gateway.port());
    EXPECT_EQ(another.exchange(post(upstream.port(), "/", "")).response, ok_response("fine"));
}

TEST(GatewayFailure, ClientWaitingOnASlowUpstreamIsNotIdle)
{
    FakeUpstream upstream([](const std::string&) {
        return Reply{ok_response("late"), false, 700ms};
    });
    GatewayRunner gateway(limited_config());  // idle time-out 300 ms
    FrameClient client(gateway.port());
    EXPECT_EQ(client.exchange(post(upstream.port(), "/", ""), 5000).response, ok_response("late"));
}

TEST(GatewayFailure, ClientsBeyondTheLimitAreTurnedAway)
{
    FakeUpstream upstream(misbehave);
    auto config = test_config();
    config.limits.max_clients = 2;
    GatewayRunner gateway(config);
    auto first = std::make_unique<FrameClient>(gateway.port());
    FrameClient second(gateway.port());
    EXPECT_EQ(first->exchange(post(upstream.port(), "/", "")).status(), 200);
    EXPECT_EQ(second.exchange(post(upstream.port(), "/", "")).status(), 200);

    FrameClient third(gateway.port());
    EXPECT_TRUE(peer_closes(third.fd(), 3000ms));

    first.reset();
    std::this_thread::sleep_for(100ms);  // the gateway notices the close
    FrameClient fourth(gateway.port());
    EXPECT_EQ(fourth.exchange(post(upstream.port(), "/", "")).status(), 200);
}

TEST(GatewayFailure, ClientGoingAwayCancelsItsRelays)
{
    FakeUpstream upstream(misbehave);
    GatewayRunner gateway(limited_config());
    {
        FrameClient leaving(gateway.port());
        ASSERT_TRUE(leaving.send_request(1, post(upstream.port(), "/silent", ""), 60000));
        std::this_thread::sleep_for(100ms);
    }
    // The gateway closes the upstream connection rather than waiting out the minute.
    for (int i = 0; i < 100 && upstream.abandoned() == 0; ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(upstream.abandoned(), 1);
}

TEST(GatewayFailure, ClientGoingAwayAtTheInFlightLimitCancelsAllItsRelays)
{
    FakeUpstream upstream(misbehave);
    const auto config = test_config();
    GatewayRunner gateway(config);
    const int limit = static_cast<int>(config.limits.max_in_flight);
    {
        FrameClient leaving(gateway.port());
        for (int id = 0; id < limit; ++id)
            ASSERT_TRUE(leaving.send_request(id, post(upstream.port(), "/silent", ""), 60000));
        for (int i = 0; i < 200 && upstream.connections() < limit; ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_EQ(upstream.connections(), limit);
    }
    const auto closed = std::chrono::steady_clock::now();
    while (upstream.open_connections() > 0 && std::chrono::steady_clock::now() - closed < 2s)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(upstream.open_connections(), 0);
}

// One byte every 0.4 s keeps a connection busy, but a frame must be whole
// within the frame time-out.
TEST(GatewayFailure, TricklingClientIsDroppedAtTheFrameTimeOut)
{
    FakeUpstream upstream(misbehave);
    auto config = test_config();
    config.limits.frame_timeout = 2000ms;
    GatewayRunner gateway(config);
    FrameClient trickler(gateway.port());
    const std::string frame = FrameClient::frame(1, post(upstream.port(), "/", ""));
    const auto first_byte = std::chrono::steady_clock::now();
    const auto elapsed = [&] { return std::chrono::steady_clock::now() - first_byte; };
    bool dropped = false;
    for (std::size_t i = 0; i < frame.size() && !dropped && elapsed() < 4s; ++i) {
        trickler.send(frame.substr(i, 1));
        if (i == 1) {
            FrameClient other(gateway.port());
            EXPECT_EQ(other.exchange(post(upstream.port(), "/", "")).response, ok_response("fine"));
        }
        dropped = peer_closes(trickler.fd(), 400ms);
    }
    EXPECT_TRUE(dropped);
    EXPECT_LT(elapsed(), 3s);
}

TEST(GatewayFailure, ClientNotReadingIsDroppedThoughItKeepsSending)
{
    const auto large = std::make_shared<const std::string>(ok_response(std::string(1500000, 'L')));
    FakeUpstream upstream([&](const std::string&) { return Reply{.shared_bytes = large}; });
    auto config = test_config();
    config.limits.idle_timeout = 300ms;
    GatewayRunner gateway(config);
    FrameClient hoarder(gateway.port());
    for (std::uint32_t id = 0; id < 12; ++id)  // more than the socket buffers hold
        ASSERT_TRUE(hoarder.send_request(id, post(upstream.port(), "/", "")));
    const auto start = std::chrono::steady_clock::now();
    bool dropped = false;
    for (std::uint32_t id = 100; !dropped && std::chrono::steady_clock::now() - start < 5s; ++id) {
        dropped = !hoarder.send(FrameClient::frame(id, "x"));  // a 400, answered at once
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(dropped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

// A name on the list may resolve anywhere; an address inside is reached only
// when the list names it too.
TEST(GatewayFailure, NameResolvingToAnUnlistedInsideAddressIsRefused)
{
    FakeUpstream upstream(misbehave);
    const std::string request = "GET http://localhost:" + std::to_string(upstream.port()) +
                                "/ HTTP/1.1\r\nHost: localhost\r\n\r\n";
    const std::vector<std::pair<std::vector<const char*>, int>> cases{
        {{"localhost"}, 403},
        {{"localhost", "127.0.0.1:1"}, 403},
        {{"localhost", "127.0.0.1"}, 200},
    };
    for (const auto& [entries, status] : cases) {
        auto config = test_config();
        config.allow = {};
        for (const char* entry : entries)
            config.allow.add(entry);
        GatewayRunner gateway(config);
        const Answer answer = FrameClient(gateway.port()).exchange(request);
        EXPECT_EQ(answer.status(), status) << entries.size();
        if (status == 403)
            EXPECT_EQ(answer.heading(),
                      "Forbidden: target localhost:" + std::to_string(upstream.port()) +
                          " resolves to 127.0.0.1, which is not on the allow-list");
    }
}

}  // namespace
}  // namespace gwtest
