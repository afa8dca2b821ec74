// The nxcommd program itself: how it announces its address, its --help, and
// its clean exit on SIGTERM (after its drain time-out) and SIGINT even with a
// request in flight.
#include "fake_upstream.h"
#include "gateway_harness.h"

#include <server_process.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sys/wait.h>

namespace gwtest {
namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NXCOMMD_MEMORY_IS_SANITIZED
#endif
#endif

std::unique_ptr<nvx::ServerProcess> start_nxcommd(std::vector<std::string> options = {})
{
    std::vector<std::string> args{"--listen", "127.0.0.1:0", "--allow", "127.0.0.1"};
    args.insert(args.end(), options.begin(), options.end());
    return std::make_unique<nvx::ServerProcess>(NXCOMMD_PATH, args,
                                                nvx::ServerProcess::Stderr::discard);
}

// A line of /proc/PID/status in KiB: VmRSS now, VmHWM the peak.
long status_kib(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

TEST(Nxcommd, AnnouncesItsAddressAndRelays)
{
    FakeUpstream upstream([](const std::string&) { return Reply{ok_response("via process")}; });
    const auto gateway = start_nxcommd();
    EXPECT_EQ(gateway->first_line(),
              "nxcommd listening on 127.0.0.1:" + std::to_string(gateway->port()));
    FrameClient client(gateway->port());
    EXPECT_EQ(client.exchange(post(upstream.port(), "/", "x")).response,
              ok_response("via process"));
}

TEST(Nxcommd, ExitsCleanlyOnTerminationSignals)
{
    FakeUpstream upstream([](const std::string&) { return Reply{"", false, 0ms, true}; });
    for (int signal : {SIGTERM, SIGINT}) {
        const auto gateway = start_nxcommd({"--drain-timeout-ms", "200"});
        FrameClient client(gateway->port());
        ASSERT_TRUE(client.send_request(1, post(upstream.port(), "/", "x"), 60000));
        std::this_thread::sleep_for(100ms);

        const auto status = gateway->stop(signal, 3000ms);
        ASSERT_TRUE(status.has_value()) << "still running after signal " << signal;
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "signal " << signal;
        EXPECT_TRUE(peer_closes(client.fd(), 1000ms));
    }
}

// Four clients ask for 64 answers of 2 MB each and read none: the gateway
// holds about its budget, not all 512 MB, and still serves a client that reads.
TEST(Nxcommd, HoldsNoMoreThanItsBudgetForClientsThatDoNotRead)
{
#ifdef NXCOMMD_MEMORY_IS_SANITIZED
    GTEST_SKIP() << "AddressSanitizer's own memory would be measured";
#endif
    const auto large = std::make_shared<const std::string>(ok_response(std::string(2000000, 'M')));
    FakeUpstream upstream([&](const std::string& request) {
        return request_path(request) == "/small" ? Reply{ok_response("small")}
                                                 : Reply{.shared_bytes = large};
    });
    const auto gateway = start_nxcommd({"--max-buffered-mb", "64"});
    const long before = status_kib(gateway->pid(), "VmRSS");
    std::vector<std::unique_ptr<FrameClient>> hoarders;
    for (int c = 0; c < 4; ++c) {
        hoarders.push_back(std::make_unique<FrameClient>(gateway->port()));
        std::string frames;
        for (std::uint32_t id = 0; id < 64; ++id)
            frames += FrameClient::frame(id, post(upstream.port(), "/large", ""));
        ASSERT_TRUE(hoarders.back()->send(frames));
    }
    FrameClient reader(gateway->port());
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 3s)
        ASSERT_EQ(reader.exchange(post(upstream.port(), "/small", "")).response,
                  ok_response("small"));
    const long growth_mib = (status_kib(gateway->pid(), "VmHWM") - before) / 1024;
    EXPECT_LT(growth_mib, 256);
}

TEST(Nxcommd, HelpListsEveryOptionWithItsDefault)
{
    FILE* pipe = popen(NXCOMMD_PATH " --help", "r");
    ASSERT_NE(pipe, nullptr);
    std::string help;
    char chunk[4096];
    while (const auto n = fread(chunk, 1, sizeof chunk, pipe))
        help.append(chunk, n);
    EXPECT_EQ(pclose(pipe), 0);
    for (const char* option :
         {"--listen", "--allow", "--max-request-bytes", "--max-response-bytes",
          "--max-header-bytes", "--idle-timeout-ms", "--default-timeout-ms", "--max-timeout-ms",
          "--max-clients", "--max-in-flight", "--max-idle-upstream", "--upstream-idle-ms",
          "--frame-timeout-ms", "--max-buffered-mb", "--ca-file", "--admin", "--drain-timeout-ms"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(help.find("(default 2097124)"), std::string::npos);
    EXPECT_NE(help.find("(default 1024)"), std::string::npos);
}

TEST(Nxcommd, RefusesUnusableArguments)
{
    for (const char* args :
         {" --listen nowhere", " --admin localhost:1", " --max-clients 0", " --allow a/b", " --bogus 1",
          " --default-timeout-ms 9 --max-timeout-ms 5", " --ca-file /nonexistent/ca.pem",
          " --ca-file " NXCOMMD_PATH}) {
        const std::string command = std::string(NXCOMMD_PATH) + args + " 2>/dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args;
    }
}

}  // namespace
}  // namespace gwtest
