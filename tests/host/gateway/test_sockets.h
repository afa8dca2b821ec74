// Blocking loopback sockets for the gateway tests, with every wait bounded.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gwtest {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// Owns a socket descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    int get() const { return fd_; }
    int release();
    void reset();

private:
    int fd_ = -1;
};

// A listening socket on 127.0.0.1 with a free port.
Fd listen_loopback(std::uint16_t& port);
// A port on which nothing listens (bound, then closed).
std::uint16_t unused_port();
Fd connect_loopback(std::uint16_t port);

bool send_all(int fd, std::string_view bytes);
// Exactly `n` bytes, or nullopt on close, error or time-out.
std::optional<std::string> receive_exact(int fd, std::size_t n, Millis limit);
// Whatever arrives within `limit` (at most `max` bytes); empty on close or time-out.
std::string receive_some(int fd, std::size_t max, Millis limit);
// True once the peer has closed the connection (reads 0 or fails) within `limit`.
bool peer_closes(int fd, Millis limit);

}  // namespace gwtest
