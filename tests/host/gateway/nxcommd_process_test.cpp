// The nxcommd program itself: how it announces its address, its --help, and
// its clean exit on SIGTERM and SIGINT even with a request in flight.
#include "fake_upstream.h"
#include "gateway_harness.h"

#include <server_process.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/wait.h>

namespace gwtest {
namespace {

std::unique_ptr<nvx::ServerProcess> start_nxcommd()
{
    return std::make_unique<nvx::ServerProcess>(
        NXCOMMD_PATH, std::vector<std::string>{"--listen", "127.0.0.1:0", "--allow", "127.0.0.1"},
        nvx::ServerProcess::Stderr::discard);
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
        const auto gateway = start_nxcommd();
        FrameClient client(gateway->port());
        ASSERT_TRUE(client.send_request(1, post(upstream.port(), "/", "x"), 60000));
        std::this_thread::sleep_for(100ms);

        const auto status = gateway->stop(signal, 3000ms);
        ASSERT_TRUE(status.has_value()) << "still running after signal " << signal;
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "signal " << signal;
        EXPECT_TRUE(peer_closes(client.fd(), 1000ms));
    }
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
          "--max-clients", "--max-in-flight", "--max-idle-upstream", "--upstream-idle-ms"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(help.find("(default 2097124)"), std::string::npos);
    EXPECT_NE(help.find("(default 1024)"), std::string::npos);
}

TEST(Nxcommd, RefusesUnusableArguments)
{
    for (const char* args : {" --listen nowhere", " --max-clients 0", " --allow a/b", " --bogus 1",
                             " --default-timeout-ms 9 --max-timeout-ms 5"}) {
        const std::string command = std::string(NXCOMMD_PATH) + args + " 2>/dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args;
    }
}

}  // namespace
}  // namespace gwtest
