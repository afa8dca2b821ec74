// Accepts client connections up to the configured maximum and owns what they
// share (the configuration and the upstream pool). stop() closes everything,
// after which the io_context runs out of work and returns.
#pragma once

#include "gateway/src/buffer_budget.h"
#include "gateway/src/client_session.h"
#include "gateway/src/options.h"
#include "gateway/src/upstream_pool.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

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

private:
    using error_code = boost::system::error_code;

    void accept();
    void on_accept(error_code ec, boost::asio::ip::tcp::socket socket);
    std::size_t live_sessions();

    GatewayConfig config_;
    boost::asio::ip::tcp::acceptor acceptor_;
    UpstreamPool pool_;
    std::shared_ptr<BufferBudget> budget_;
    boost::asio::steady_timer accept_pause_;
    std::list<std::weak_ptr<ClientSession>> sessions_;
    bool stopped_ = false;
};

}  // namespace nxcommd
