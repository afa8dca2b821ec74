// The operators' listener (--admin): plain HTTP for a balancer's health
// checks and a metrics scraper. GET /healthz answers 200 while the gateway
// accepts calls and 503 while it drains; GET /metrics answers the Prometheus
// text. Each connection gets a few seconds per request, and only a handful
// are served at once, so a stuck scraper cannot pile up.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <functional>
#include <list>
#include <memory>
#include <string>

namespace nxcommd {

class AdminSession;

struct AdminHandlers {
    std::function<bool()> accepting;       // false while draining
    std::function<std::string()> metrics;  // the text exposition
};

class AdminServer {
public:
    // Binds and listens at once; throws boost::system::system_error when it cannot.
    AdminServer(boost::asio::io_context& io, const boost::asio::ip::tcp::endpoint& endpoint,
                AdminHandlers handlers);

    boost::asio::ip::tcp::endpoint local_endpoint() const { return acceptor_.local_endpoint(); }
    void start();
    void stop();

private:
    void accept();
    std::size_t live_sessions();

    boost::asio::ip::tcp::acceptor acceptor_;
    std::shared_ptr<AdminHandlers> handlers_;
    std::list<std::weak_ptr<AdminSession>> sessions_;
    boost::asio::steady_timer accept_pause_;
    bool stopped_ = false;
};

}  // namespace nxcommd
