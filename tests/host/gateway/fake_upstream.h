// A scripted web server on loopback, in clear text or over TLS: for each
// request it receives, a handler picks the reply bytes and how to deliver
// them. It records every request as received and counts connections, so
// tests can see what the gateway sent and whether it kept a connection alive.
#pragma once

#include "test_certificates.h"
#include "test_sockets.h"
#include "tls_link.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace gwtest {

struct Reply {
    std::string bytes;
    bool close_after = false;  // close the connection once the bytes are out
    Millis delay{0};           // wait this long before answering
    bool silent = false;       // never answer; hold the connection open
    std::shared_ptr<const std::string> shared_bytes{};  // sent instead of `bytes` when set
};

class FakeUpstream {
public:
    using Handler = std::function<Reply(const std::string& request)>;

    // Speaks TLS, presenting `tls`, when it is given.
    explicit FakeUpstream(Handler handler, const Identity* tls = nullptr);
    ~FakeUpstream();

    std::uint16_t port() const { return port_; }
    int connections() const { return connections_; }
    // Connections not yet closed by either side.
    int open_connections() const { return connections_ - finished_; }
    // Connections held for a silent reply that the peer then closed.
    int abandoned() const { return abandoned_; }
    std::vector<std::string> requests() const;
    // Handshakes that failed (the client refused the certificate, or spoke no TLS).
    int failed_handshakes() const { return failed_handshakes_; }
    // The server name the last TLS client asked for.
    std::string server_name() const;

private:
    void accept_loop();
    void serve(Fd connection);
    void converse(Link& link);
    void record(const std::string& request);

    Handler handler_;
    std::uint16_t port_ = 0;
    Fd listener_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> abandoned_{0};
    std::atomic<int> finished_{0};
    std::atomic<int> failed_handshakes_{0};
    ServerTls tls_{nullptr, SSL_CTX_free};
    std::string server_name_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

// A reply with status 200, the given extra header lines and a Content-Length body.
std::string ok_response(const std::string& body, const std::string& extra_headers = "");

// The path of a request line ("POST /calc HTTP/1.1" gives "/calc").
std::string request_path(const std::string& request);

}  // namespace gwtest
