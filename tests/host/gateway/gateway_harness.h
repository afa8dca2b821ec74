// The gateway run in-process on its own thread, and a client that speaks
// the frame format over a real socket.
#pragma once

#include "test_sockets.h"

#include "gateway/src/options.h"
#include "gateway/src/server.h"
#include <nxcomm/frame.h>

#include <boost/asio/io_context.hpp>

#include <memory>
#include <string>
#include <thread>

namespace gwtest {

// Loopback listen on a free port, 127.0.0.1 allowed, time-outs short enough for tests.
nxcommd::GatewayConfig test_config();

class GatewayRunner {
public:
    explicit GatewayRunner(nxcommd::GatewayConfig config = test_config());
    ~GatewayRunner();

    std::uint16_t port() const { return port_; }

private:
    boost::asio::io_context io_;
    std::unique_ptr<nxcommd::Server> server_;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

struct Answer {
    nxcomm::FrameHeader header;
    std::string response;         // the pieces of the serialized buffer, joined
    int status() const;           // from the status line
    std::string heading() const;  // text between <h1> and </h1>
};

class FrameClient {
public:
    explicit FrameClient(std::uint16_t gateway_port);

    // The frame for `http` as the client library builds it: the pieces
    // head / Content-Length line / empty line / body when given split.
    static std::string frame(std::uint32_t id, const std::string& http,
                             std::uint32_t timeout_ms = 0,
                             std::uint16_t service = nxcomm::kHttpRelayService,
                             std::uint16_t mode = nxcomm::kRequestAnswerMode);

    bool send(std::string_view bytes) { return send_all(fd_.get(), bytes); }
    bool send_request(std::uint32_t id, const std::string& http, std::uint32_t timeout_ms = 0)
    {
        return send(frame(id, http, timeout_ms));
    }
    // The next answer frame; fails the test (and returns an empty answer)
    // if none arrives within `limit` or it is malformed.
    Answer receive(Millis limit = 5000ms);
    // Sends one request and returns its answer.
    Answer exchange(const std::string& http, std::uint32_t timeout_ms = 0);
    int fd() const { return fd_.get(); }

private:
    Fd fd_;
    std::uint32_t next_id_ = 1;
};

std::string post(std::uint16_t port, const std::string& path, const std::string& body);
std::string get(std::uint16_t port, const std::string& path);

}  // namespace gwtest
