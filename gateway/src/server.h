// Accepts client connections up to the configured maximum and owns what they
// share (the configuration, the upstream pool, the budget, the metrics).
// drain() stops accepting and lets the connections finish what they were
// asked; stop() closes everything, after which the io_context runs out of
// work and returns.
#pragma once

#include "gateway/src/buffer_budget.h"
#include "gateway/src/client_session.h"
#include "gateway/src/metrics.h"
#include "gateway/src/options.h"
#include "gateway/src/upstream_pool.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <functional>
#include <list>
#include <memory>

namespace nxcommd {

class Server {
public:
    // Binds and listens at once, so the address is known before start();
    // throws boost::system::system_error when it cannot.
    Server(boost::asio::io_context& io, GatewayConfig config);

    boost::asio::ip::tcp::endpoint local_endpoint() const { return acceptor_.local_endpoint(); }
    void start();
    void stop();
    // Stops accepting and closes each connection once it has nothing
    // pending; `drained` runs when the last one has gone.
    void drain(std::function<void()> drained);
    bool draining() const { return draining_; }
    // The Prometheus text of the metrics and current gauges.
    std::string metrics_text();

private:
    using error_code = boost::system::error_code;

    void accept();
    void on_accept(error_code ec, boost::asio::ip::tcp::socket socket);
    std::size_t live_sessions();
    void watch_drain();

    GatewayConfig config_;
    boost::asio::ip::tcp::acceptor acceptor_;
    UpstreamPool pool_;
    std::shared_ptr<BufferBudget> budget_;
    boost::asio::steady_timer accept_pause_;
    std::list<std::weak_ptr<ClientSession>> sessions_;
    GatewayMetrics metrics_;
    boost::asio::steady_timer drain_watch_;
    std::function<void()> drained_;
    bool draining_ = false;
    bool stopped_ = false;
};

}  // namespace nxcommd
