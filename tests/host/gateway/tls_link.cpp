#include "tls_link.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <stdexcept>

namespace gwtest {
namespace {

// A handshake the client never finishes must not hold a test's worker.
constexpr timeval kLongestWait{2, 0};

}  // namespace

ServerTls make_server_tls(const Identity& identity)
{
    // A TLS write to a peer that has gone raises SIGPIPE, which would end the tests.
    std::signal(SIGPIPE, SIG_IGN);
    ServerTls context(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
    if (!context ||
        SSL_CTX_use_certificate_chain_file(context.get(), identity.certificate.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context.get(), identity.key.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("cannot load " + identity.certificate);
    return context;
}

Link::Link(int fd, SSL_CTX* tls) : fd_(fd), tls_(tls)
{
    if (!tls)
        return;
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &kLongestWait, sizeof kLongestWait);
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(tls), SSL_free);
    if (ssl && SSL_set_fd(ssl.get(), fd) == 1 && SSL_accept(ssl.get()) == 1)
        ssl_ = std::move(ssl);
}

std::string Link::server_name() const
{
    const char* name = ssl_ ? SSL_get_servername(ssl_.get(), TLSEXT_NAMETYPE_host_name) : nullptr;
    return name ? name : "";
}

bool Link::readable(Millis wait) const
{
    if (ssl_ && SSL_pending(ssl_.get()) > 0)
        return true;
    pollfd watch{fd_, POLLIN, 0};
    return poll(&watch, 1, static_cast<int>(wait.count())) > 0;
}

long Link::receive(char* into, std::size_t size)
{
    if (!ssl_)
        return recv(fd_, into, size, 0);
    return SSL_read(ssl_.get(), into, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
}

bool Link::send(std::string_view bytes)
{
    if (!ssl_)
        return send_all(fd_, bytes);
    while (!bytes.empty()) {
        const int sent = SSL_write(ssl_.get(), bytes.data(),
                                   static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX)));
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

}  // namespace gwtest
