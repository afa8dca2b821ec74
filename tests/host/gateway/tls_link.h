// The server side of a test peer's accepted connection, in clear text or
// over TLS: the same reads and writes either way, each wait bounded.
#pragma once

#include "test_certificates.h"
#include "test_sockets.h"

#include <openssl/ssl.h>

#include <memory>
#include <string>
#include <string_view>

namespace gwtest {

using ServerTls = std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)>;

// A server context presenting `identity`; throws std::runtime_error.
ServerTls make_server_tls(const Identity& identity);

class Link {
public:
    // Clear text when `tls` is null; otherwise the TLS handshake is done here
    // and handshake_done() tells whether it succeeded.
    Link(int fd, SSL_CTX* tls);

    bool handshake_done() const { return !tls_ || ssl_ != nullptr; }
    // The server name the client asked for (SNI); empty when none.
    std::string server_name() const;
    bool readable(Millis wait) const;
    // As recv(): bytes read, 0 at the end, negative on failure.
    long receive(char* into, std::size_t size);
    bool send(std::string_view bytes);

private:
    int fd_;
    SSL_CTX* tls_;
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl_{nullptr, SSL_free};
};

}  // namespace gwtest
