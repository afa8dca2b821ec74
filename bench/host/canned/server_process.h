// Starts a server program (nxcommd, canned_server) that prints
// "<name> listening on HOST:PORT" as its first line, and learns the port.
// The process is terminated when the object goes away.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace nvx {

class ServerProcess {
public:
    enum class Stderr { inherit, discard };

    // Throws std::runtime_error when the program cannot be started or does
    // not announce its address within `startup`.
    ServerProcess(const std::string& program, const std::vector<std::string>& args,
                  Stderr err = Stderr::inherit,
                  std::chrono::milliseconds startup = std::chrono::seconds(10));
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    std::uint16_t port() const { return port_; }
    pid_t pid() const { return pid_; }
    const std::string& first_line() const { return first_line_; }

    // Sends `signal` and waits up to `limit` for the exit; returns the raw
    // wait status, or nullopt if it is still running (it is then killed).
    std::optional<int> stop(int signal, std::chrono::milliseconds limit);

private:
    void read_first_line(std::chrono::milliseconds startup);

    pid_t pid_ = -1;
    int stdout_fd_ = -1;
    std::string first_line_;
    std::uint16_t port_ = 0;
};

}  // namespace nvx
