// Where upstream connections come from: new ones, in clear text or over TLS
// (the gateway's one TLS client set-up lives here), and kept-alive ones,
// shared by all clients. Kept ones are bounded in number and in age: a timer
// closes each one once it has been unused for the maximum age, whether or not
// more requests come. A connection the server has meanwhile closed is noticed
// when it is taken and discarded instead of being handed out.
#pragma once

#include "gateway/src/upstream_connection.h"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstddef>
#include <list>
#include <memory>
#include <string>

namespace nxcommd {

class UpstreamPool {
public:
    using Connection = std::unique_ptr<UpstreamConnection>;
    using Clock = std::chrono::steady_clock;

    // Throws boost::system::system_error when `ca_file` cannot be loaded.
    UpstreamPool(const boost::asio::any_io_executor& executor, std::size_t max_idle,
                 Clock::duration max_age, const std::string& ca_file);

    // A new, unconnected connection.
    Connection make(bool tls);
    // A live idle connection to `key`, most recently used first; null if none.
    Connection take(const std::string& key);
    // Keeps `connection` for reuse; the oldest idle connection makes room if needed.
    void give_back(std::string key, Connection connection);
    void close_all();
    std::size_t idle_count() const { return idle_.size(); }

    // Connections relays hold while they exchange, counted by them, so that
    // open_count() tells all upstream connections open, idle or in use.
    void count_in_use(bool taken) { taken ? ++in_use_ : --in_use_; }
    std::size_t open_count() const { return idle_.size() + in_use_; }

private:
    struct Idle {
        std::string key;
        Connection connection;
        Clock::time_point since;
    };

    void drop_expired(Clock::time_point now);
    void arm_expiry();

    boost::asio::any_io_executor executor_;
    boost::asio::ssl::context tls_;
    std::size_t max_idle_;
    Clock::duration max_age_;
    std::list<Idle> idle_;  // oldest first
    boost::asio::steady_timer expiry_;
    bool expiry_armed_ = false;
    std::size_t in_use_ = 0;
};

}  // namespace nxcommd
