// How the gateway ends. A first SIGTERM drains: the health check turns 503,
// the listener closes, pending requests are answered and connections closed
// as they fall idle; the process exits once none is left or the drain
// time-out has passed, whichever comes first. A second SIGTERM, or SIGINT,
// stops at once.
#pragma once

#include "gateway/src/admin_server.h"
#include "gateway/src/options.h"
#include "gateway/src/server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>

namespace nxcommd {

class Shutdown {
public:
    Shutdown(boost::asio::io_context& io, Server& server, AdminServer* admin, Millis drain_timeout);

private:
    void wait_for_signal();
    void on_signal(int signal);
    void stop_now();

    Server& server_;
    AdminServer* admin_;
    Millis drain_timeout_;
    boost::asio::signal_set signals_;
    boost::asio::steady_timer drain_deadline_;
    bool stopped_ = false;
};

}  // namespace nxcommd
