#include "gateway/src/shutdown.h"

#include "gateway/src/request_log.h"

#include <csignal>

namespace nxcommd {

Shutdown::Shutdown(boost::asio::io_context& io, Server& server, AdminServer* admin,
                   Millis drain_timeout)
    : server_(server), admin_(admin), drain_timeout_(drain_timeout), signals_(io, SIGINT, SIGTERM),
      drain_deadline_(io)
{
    wait_for_signal();
}

void Shutdown::wait_for_signal()
{
    signals_.async_wait([this](const boost::system::error_code& ec, int signal) {
        if (!ec)
            on_signal(signal);
    });
}

void Shutdown::on_signal(int signal)
{
    if (signal != SIGTERM || server_.draining())
        return stop_now();
    log_event("draining: answering pending requests for up to " +
              std::to_string(drain_timeout_.count()) + " ms");
    drain_deadline_.expires_after(drain_timeout_);
    drain_deadline_.async_wait([this](const boost::system::error_code& ec) {
        if (ec || stopped_)
            return;
        log_event("drain time-out: closing the remaining connections");
        stop_now();
    });
    wait_for_signal();
    server_.drain([this] {
        log_event("drained");
        stop_now();
    });
}

// Closing every socket and timer leaves the io_context without work, so run() returns.
void Shutdown::stop_now()
{
    if (stopped_)
        return;
    stopped_ = true;
    boost::system::error_code ignored;
    signals_.cancel(ignored);
    drain_deadline_.cancel();
    server_.stop();
    if (admin_)
        admin_->stop();
}

}  // namespace nxcommd
