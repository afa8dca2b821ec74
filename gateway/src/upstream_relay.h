// One request's trip to its upstream server and back: take a kept-alive
// connection or connect, send the request bytes, collect the response until
// it ends, all under the request's time-out. The completion runs exactly once
// with the raw response or an error page, unless the relay was cancelled.
#pragma once

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
                  RelayRequest request, const GatewayLimits& limits, Millis timeout,
                  Completion done);

    void start();
    // The client went away: stop at once, without running the completion.
    void cancel();

private:
    using tcp = boost::asio::ip::tcp;
    using error_code = boost::system::error_code;

    void connect();
    void connect_to(const tcp::resolver::results_type& endpoints);
    void begin_exchange(bool reused);
    void write();
    void read();
    void on_read(error_code ec, std::size_t n);
    bool retry_on_fresh_connection();
    void succeed();
    void fail(int status, const std::string& reason);
    void finish(RelayOutcome outcome);
    void on_deadline();

    UpstreamPool& pool_;
    RelayRequest request_;
    const GatewayLimits& limits_;
    Millis timeout_;
    Completion done_;
    std::string key_;  // the pool's name for the target
    tcp::resolver resolver_;
    tcp::socket socket_;
    boost::asio::steady_timer deadline_;
    std::optional<ResponseBoundary> response_;
    bool reused_ = false;
    bool retried_ = false;
    bool finished_ = false;
};

}  // namespace nxcommd
