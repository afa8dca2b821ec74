// A scripted web server on loopback: for each request it receives, a handler
// picks the reply bytes and how to deliver them. It records every request as
// received and counts connections, so tests can see what the gateway sent
// and whether it kept a connection alive.
#pragma once

#include "test_sockets.h"

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

    explicit FakeUpstream(Handler handler);
    ~FakeUpstream();

    std::uint16_t port() const { return port_; }
    int connections() const { return connections_; }
    // Connections not yet closed by either side.
    int open_connections() const { return connections_ - finished_; }
    // Connections held for a silent reply that the peer then closed.
    int abandoned() const { return abandoned_; }
    std::vector<std::string> requests() const;

private:
    void accept_loop();
    void serve(Fd connection);
    void converse(int fd);
    void record(const std::string& request);

    Handler handler_;
    std::uint16_t port_ = 0;
    Fd listener_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> abandoned_{0};
    std::atomic<int> finished_{0};
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
