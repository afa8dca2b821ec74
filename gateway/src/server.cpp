#include "gateway/src/server.h"

#include "gateway/src/request_log.h"

#include <boost/asio/ip/address.hpp>

namespace nxcommd {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

// After an accept failure such as running out of descriptors, waiting a
// moment lets connections close instead of spinning on the same error.
constexpr std::chrono::milliseconds kAcceptPause{100};
// How often a draining gateway looks whether its last connection has gone.
constexpr std::chrono::milliseconds kDrainWatch{20};

tcp::endpoint listen_endpoint(const HostPort& listen)
{
    return {asio::ip::make_address(listen.host), listen.port};
}

}  // namespace

Server::Server(asio::io_context& io, GatewayConfig config)
    : config_(std::move(config)),
      acceptor_(io, listen_endpoint(config_.listen), /*reuse_address=*/true),
      pool_(io.get_executor(), config_.limits.max_idle_upstream, config_.limits.upstream_idle,
            config_.ca_file),
      budget_(
          std::make_shared<BufferBudget>(io.get_executor(), config_.limits.max_buffered_bytes())),
      accept_pause_(io), drain_watch_(io)
{
}

void Server::start()
{
    accept();
}

void Server::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    error_code ignored;
    acceptor_.close(ignored);
    accept_pause_.cancel();
    drain_watch_.cancel();
    for (auto& weak : sessions_)
        if (auto session = weak.lock())
            session->close();
    sessions_.clear();
    pool_.close_all();
}

void Server::drain(std::function<void()> drained)
{
    if (draining_ || stopped_)
        return;
    draining_ = true;
    drained_ = std::move(drained);
    error_code ignored;
    acceptor_.close(ignored);
    accept_pause_.cancel();
    for (auto& weak : sessions_)
        if (auto session = weak.lock())
            session->drain();
    watch_drain();
}

void Server::watch_drain()
{
    if (stopped_)
        return;
    if (live_sessions() == 0) {
        if (auto drained = std::move(drained_))
            drained();
        return;
    }
    drain_watch_.expires_after(kDrainWatch);
    drain_watch_.async_wait([this](error_code ec) {
        if (!ec)
            watch_drain();
    });
}

std::string Server::metrics_text()
{
    GaugeSnapshot gauges;
    gauges.clients = live_sessions();
    gauges.upstream_pooled = pool_.idle_count();
    gauges.upstream_open = pool_.open_count();
    gauges.buffered_bytes = budget_->held();
    gauges.buffered_limit = budget_->limit();
    gauges.draining = draining_;
    return render_metrics(metrics_, gauges);
}

void Server::accept()
{
    acceptor_.async_accept(
        [this](error_code ec, tcp::socket socket) { on_accept(ec, std::move(socket)); });
}

void Server::on_accept(error_code ec, tcp::socket socket)
{
    if (stopped_ || draining_)
        return;
    if (ec) {
        log_event("accept failed: " + ec.message());
        accept_pause_.expires_after(kAcceptPause);
        accept_pause_.async_wait([this](error_code wait_ec) {
            if (!wait_ec && !stopped_ && !draining_)
                accept();
        });
        return;
    }
    if (live_sessions() >= config_.limits.max_clients) {
        ++metrics_.clients_refused;
        log_event("client refused: " + std::to_string(config_.limits.max_clients) +
                  " clients already connected");
        socket.close(ec);
    } else {
        ++metrics_.clients_accepted;
        auto session = std::make_shared<ClientSession>(
            std::move(socket), config_, pool_, std::make_shared<BudgetAccount>(budget_), metrics_);
        sessions_.push_back(session);
        session->start();
    }
    accept();
}

std::size_t Server::live_sessions()
{
    sessions_.remove_if([](const std::weak_ptr<ClientSession>& weak) { return weak.expired(); });
    return sessions_.size();
}

}  // namespace nxcommd
