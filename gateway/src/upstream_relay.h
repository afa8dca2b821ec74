// One request's trip to its upstream server and back: take a kept-alive
// connection or connect (to allowed addresses only, and with a verified TLS
// handshake for an https:// target), send the request bytes,
// collect the response until it ends, all under the request's time-out. The
// bytes it holds are charged to its client's budget account, and it stops
// reading from the upstream while that account must wait. The completion runs
// exactly once with the raw response or an error page, unless the relay was
// cancelled.
#pragma once

#include "gateway/src/buffer_budget.h"
#include "gateway/src/error_page.h"
#include "gateway/src/options.h"
#include "gateway/src/relay_request.h"
#include "gateway/src/response_boundary.h"
#include "gateway/src/upstream_pool.h"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace nxcommd {

struct RelayOutcome {
    std::string response;  // the upstream's raw response, or an error page
    int status = 0;
    std::string failure;  // empty when the upstream's response is relayed
};

class UpstreamRelay : public std::enable_shared_from_this<UpstreamRelay> {
public:
    using Completion = std::function<void(RelayOutcome)>;

    UpstreamRelay(const boost::asio::any_io_executor& executor, UpstreamPool& pool,
                  RelayRequest request, const GatewayConfig& config, Millis timeout,
                  std::shared_ptr<BudgetAccount> account, Completion done);

    void start();
    // The client went away: stop at once, without running the completion.
    void cancel();

private:
    using tcp = boost::asio::ip::tcp;
    using error_code = boost::system::error_code;

    void connect();
    void connect_to(const tcp::resolver::results_type& endpoints);
    void handshake();
    void begin_exchange(bool reused);
    void write();
    void on_written(error_code ec, std::size_t n);
    void read();
    void on_read(error_code ec, std::size_t n);
    bool may_send_again() const;
    bool retry_on_fresh_connection();
    void succeed();
    void fail(int status, const std::string& reason);
    void finish(RelayOutcome outcome);
    void stop_io();
    void on_deadline();
    void hold_connection(bool held);

    UpstreamPool& pool_;
    RelayRequest request_;
    const GatewayConfig& config_;
    Millis timeout_;
    std::shared_ptr<BudgetAccount> account_;
    Completion done_;
    std::string key_;       // "host:port", for error pages
    std::string pool_key_;  // the pool's name for the target
    tcp::resolver resolver_;
    UpstreamPool::Connection connection_;
    boost::asio::steady_timer deadline_;
    std::optional<ResponseBoundary> response_;
    std::size_t charged_ = 0;       // bytes of this relay on its account
    std::size_t request_sent_ = 0;  // bytes of the request handed to the current connection
    bool reused_ = false;
    bool retried_ = false;
    bool finished_ = false;
    bool holds_connection_ = false;  // counted as in use by the pool
};

}  // namespace nxcommd
