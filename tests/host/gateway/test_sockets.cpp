#include "test_sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace gwtest {
namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int remaining_ms(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool readable_before(int fd, Clock::time_point deadline)
{
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, remaining_ms(deadline)) > 0;
}

}  // namespace

Fd& Fd::operator=(Fd&& other) noexcept
{
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

int Fd::release()
{
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void Fd::reset()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

Fd listen_loopback(std::uint16_t& port)
{
    Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (fd.get() < 0 || bind(fd.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(fd.get(), 128) != 0 ||
        getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port = ntohs(address.sin_port);
    return fd;
}

std::uint16_t unused_port()
{
    std::uint16_t port = 0;
    listen_loopback(port);
    return port;
}

Fd connect_loopback(std::uint16_t port)
{
    Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(port);
    if (fd.get() < 0 ||
        connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to port " + std::to_string(port));
    const int on = 1;
    setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

bool send_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::optional<std::string> receive_exact(int fd, std::size_t n, Millis limit)
{
    const auto deadline = Clock::now() + limit;
    std::string out(n, '\0');
    std::size_t got = 0;
    while (got < n) {
        if (!readable_before(fd, deadline))
            return std::nullopt;
        const auto r = recv(fd, out.data() + got, n - got, 0);
        if (r <= 0)
            return std::nullopt;
        got += static_cast<std::size_t>(r);
    }
    return out;
}

std::string receive_some(int fd, std::size_t max, Millis limit)
{
    std::string out(max, '\0');
    if (!readable_before(fd, Clock::now() + limit))
        return {};
    const auto r = recv(fd, out.data(), max, 0);
    out.resize(r > 0 ? static_cast<std::size_t>(r) : 0);
    return out;
}

bool peer_closes(int fd, Millis limit)
{
    const auto deadline = Clock::now() + limit;
    char scratch[4096];
    while (readable_before(fd, deadline)) {
        if (recv(fd, scratch, sizeof scratch, 0) <= 0)
            return true;
    }
    return false;
}

}  // namespace gwtest
