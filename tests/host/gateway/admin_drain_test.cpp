// The operators' side of nxcommd: the admin listener's health check and
// metrics, and the drain on SIGTERM that lets a balancer take a gateway out
// of service without failing a call.
#include "fake_upstream.h"
#include "gateway_harness.h"

#include <server_process.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace gwtest {
namespace {

struct Gateway {
    std::unique_ptr<nvx::ServerProcess> process;
    std::uint16_t admin_port;
};

Gateway start_gateway(std::vector<std::string> options = {})
{
    const std::uint16_t admin_port = unused_port();
    std::vector<std::string> args{"--listen", "127.0.0.1:0",
                                  "--allow",  "127.0.0.1",
                                  "--admin",  "127.0.0.1:" + std::to_string(admin_port)};
    args.insert(args.end(), options.begin(), options.end());
    return {std::make_unique<nvx::ServerProcess>(NXCOMMD_PATH, args,
                                                 nvx::ServerProcess::Stderr::discard),
            admin_port};
}

// The whole response to a GET on the admin port (the connection is closed after it).
std::string admin_get(std::uint16_t port, const std::string& path)
{
    const Fd fd = connect_loopback(port);
    send_all(fd.get(), "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    std::string response;
    for (std::string piece; !(piece = receive_some(fd.get(), 65536, 2000ms)).empty();)
        response += piece;
    return response;
}

int status_of(const std::string& response)
{
    return response.size() > 12 ? std::atoi(response.c_str() + 9) : 0;
}

// The value of the metric line that starts with `series` (name and labels).
double metric(const std::string& response, const std::string& series)
{
    const auto at = response.find("\n" + series + " ");
    return at == std::string::npos ? -1 : std::atof(response.c_str() + at + series.size() + 2);
}

bool eventually(const std::function<bool()>& condition, Millis limit = 3000ms)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(Admin, ReportsHealthAndCountsEveryOutcome)
{
    FakeUpstream upstream([](const std::string&) { return Reply{ok_response("fine")}; });
    const auto gateway = start_gateway({"--max-request-bytes", "20000"});
    FrameClient client(gateway.process->port());
    EXPECT_EQ(client.exchange(post(upstream.port(), "/", std::string(30000, 'x'))).status(), 413);
    EXPECT_EQ(client.exchange(post(upstream.port(), "/", "a")).status(), 200);
    EXPECT_EQ(client.exchange(post(upstream.port(), "/", "b")).status(), 200);
    EXPECT_EQ(client.exchange("GET / HTTP/1.1\r\nHost: 10.9.9.9:80\r\n\r\n").status(), 403);
    EXPECT_EQ(client.exchange(post(unused_port(), "/", "c")).status(), 502);

    EXPECT_EQ(status_of(admin_get(gateway.admin_port, "/healthz")), 200);
    EXPECT_EQ(status_of(admin_get(gateway.admin_port, "/elsewhere")), 404);
    const std::string metrics = admin_get(gateway.admin_port, "/metrics");
    ASSERT_EQ(status_of(metrics), 200) << metrics;
    const std::pair<const char*, double> expected[] = {
        {"nxcommd_frames_received_total", 5},
        {"nxcommd_frames_answered_total{outcome=\"limit\",status=\"413\"}", 1},
        {"nxcommd_frames_answered_total{outcome=\"answered\",status=\"200\"}", 2},
        {"nxcommd_frames_answered_total{outcome=\"refused\",status=\"403\"}", 1},
        {"nxcommd_frames_answered_total{outcome=\"error_page\",status=\"502\"}", 1},
        {"nxcommd_upstream_exchange_seconds_count", 3},
        {"nxcommd_upstream_exchange_seconds_bucket{le=\"+Inf\"}", 3},
        {"nxcommd_clients", 1},
        {"nxcommd_requests_in_flight", 0},
        {"nxcommd_upstream_connections_pooled", 1},
        {"nxcommd_upstream_connections_open", 1},
        {"nxcommd_draining", 0},
    };
    for (const auto& [series, value] : expected)
        EXPECT_EQ(metric(metrics, series), value) << series;

    char path[] = "/tmp/nxcommd-metrics-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string body = metrics.substr(metrics.find("\r\n\r\n") + 4);
    ASSERT_EQ(write(fd, body.data(), body.size()), static_cast<ssize_t>(body.size()));
    close(fd);
    const int checked =
        std::system(("promtool check metrics < " + std::string(path) + " >/dev/null 2>&1").c_str());
    unlink(path);
    if (WIFEXITED(checked) && WEXITSTATUS(checked) == 127)
        GTEST_SKIP() << "promtool is not installed (scripts/setup installs it)";
    EXPECT_TRUE(WIFEXITED(checked) && WEXITSTATUS(checked) == 0) << body;
}

// SIGTERM with one request pending upstream and one idle client: the idle
// client is let go at once, the health check turns 503, no new connection
// is taken, the pending request is answered, and the process exits 0.
TEST(Drain, AnswersWhatIsPendingThenExits)
{
    FakeUpstream upstream([](const std::string& request) {
        return request_path(request) == "/slow" ? Reply{ok_response("late"), false, 700ms}
                                                : Reply{ok_response("soon")};
    });
    const auto gateway = start_gateway({"--drain-timeout-ms", "10000"});
    FrameClient idle(gateway.process->port());
    EXPECT_EQ(idle.exchange(post(upstream.port(), "/", "")).status(), 200);
    FrameClient busy(gateway.process->port());
    ASSERT_TRUE(busy.send_request(7, post(upstream.port(), "/slow", "")));
    ASSERT_TRUE(eventually([&] {
        return metric(admin_get(gateway.admin_port, "/metrics"), "nxcommd_requests_in_flight") == 1;
    }));

    kill(gateway.process->pid(), SIGTERM);
    EXPECT_TRUE(peer_closes(idle.fd(), 1000ms));
    EXPECT_TRUE(
        eventually([&] { return status_of(admin_get(gateway.admin_port, "/healthz")) == 503; }));
    EXPECT_THROW(connect_loopback(gateway.process->port()), std::runtime_error);
    const Answer late = busy.receive(3000ms);
    EXPECT_EQ(late.header.request_id, 7u);
    EXPECT_EQ(late.response, ok_response("late"));
    EXPECT_EQ(late.header.mode, nxcomm::kLastAnswerMode);  // the client goes elsewhere next
    EXPECT_TRUE(peer_closes(busy.fd(), 1000ms));

    const auto status = gateway.process->stop(0, 3000ms);
    ASSERT_TRUE(status.has_value()) << "still running after its last answer";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

// Against an upstream that never answers, the drain ends at its time-out, or
// at once on a second SIGTERM; both exit 0.
TEST(Drain, EndsAtItsTimeOutOrASecondSignal)
{
    FakeUpstream upstream([](const std::string&) { return Reply{"", false, 0ms, true}; });
    for (const bool second_signal : {false, true}) {
        const auto gateway = start_gateway({"--drain-timeout-ms", second_signal ? "60000" : "300"});
        FrameClient client(gateway.process->port());
        ASSERT_TRUE(client.send_request(1, post(upstream.port(), "/", "")));
        ASSERT_TRUE(eventually([&] {
            return metric(admin_get(gateway.admin_port, "/metrics"),
                          "nxcommd_requests_in_flight") == 1;
        }));
        kill(gateway.process->pid(), SIGTERM);
        ASSERT_TRUE(eventually(
            [&] { return status_of(admin_get(gateway.admin_port, "/healthz")) != 200; }));
        const auto status = gateway.process->stop(second_signal ? SIGTERM : 0, 3000ms);
        ASSERT_TRUE(status.has_value()) << "second signal " << second_signal;
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
        EXPECT_TRUE(peer_closes(client.fd(), 1000ms));
    }
}

}  // namespace
}  // namespace gwtest
