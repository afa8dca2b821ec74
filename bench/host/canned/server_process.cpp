#include "bench/host/canned/server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

extern char** environ;

namespace nvx {
namespace {

using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ServerProcess::ServerProcess(const std::string& program, const std::vector<std::string>& args,
                             Stderr err, std::chrono::milliseconds startup)
{
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    if (err == Stderr::discard)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    stdout_fd_ = pipe_fds[0];
    if (spawned != 0) {
        close(stdout_fd_);
        throw std::runtime_error("cannot start " + program);
    }
    try {
        read_first_line(startup);
    } catch (...) {
        stop(SIGKILL, std::chrono::seconds(5));
        throw;
    }
}

ServerProcess::~ServerProcess()
{
    stop(SIGTERM, std::chrono::seconds(5));
}

void ServerProcess::read_first_line(std::chrono::milliseconds startup)
{
    const auto deadline = Clock::now() + startup;
    char c = 0;
    while (first_line_.size() < 512) {
        pollfd watch{stdout_fd_, POLLIN, 0};
        if (poll(&watch, 1, remaining_ms(deadline)) <= 0 || read(stdout_fd_, &c, 1) != 1)
            throw std::runtime_error("no address line from the server");
        if (c == '\n')
            break;
        first_line_ += c;
    }
    const auto colon = first_line_.rfind(':');
    if (colon == std::string::npos || first_line_.find(" listening on ") == std::string::npos)
        throw std::runtime_error("unexpected first line: " + first_line_);
    port_ = static_cast<std::uint16_t>(std::stoul(first_line_.substr(colon + 1)));
}

std::optional<int> ServerProcess::stop(int signal, std::chrono::milliseconds limit)
{
    if (pid_ <= 0)
        return std::nullopt;
    kill(pid_, signal);
    const auto deadline = Clock::now() + limit;
    int status = 0;
    std::optional<int> result;
    while (true) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            result = status;
            break;
        }
        if (remaining_ms(deadline) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    close(stdout_fd_);
    stdout_fd_ = -1;
    return result;
}

}  // namespace nvx
