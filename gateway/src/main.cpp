// nxcommd: the messaging gateway. Relays framed raw HTTP requests to the web
// servers they name and returns the raw responses framed with their ids.
#include "gateway/src/admin_server.h"
#include "gateway/src/options.h"
#include "gateway/src/server.h"
#include "gateway/src/shutdown.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

namespace {

// Every client and its upstream connections need descriptors; the usual soft
// limit of 1024 would be reached before the default client limit.
void raise_descriptor_limit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void announce(const char* what, const boost::asio::ip::tcp::endpoint& bound)
{
    std::printf("%s %s:%u\n", what, bound.address().to_string().c_str(),
                static_cast<unsigned>(bound.port()));
    std::fflush(stdout);
}

int run(const nxcommd::GatewayConfig& config)
{
    boost::asio::io_context io(1);
    nxcommd::Server server(io, config);
    std::unique_ptr<nxcommd::AdminServer> admin;
    if (config.admin)
        admin = std::make_unique<nxcommd::AdminServer>(
            io,
            boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address(config.admin->host),
                                           config.admin->port),
            nxcommd::AdminHandlers{[&server] { return !server.draining(); },
                                   [&server] { return server.metrics_text(); }});
    nxcommd::Shutdown shutdown(io, server, admin.get(), config.limits.drain_timeout);
    // Scripts and tests start us on port 0 and read the real ports from these lines.
    announce("nxcommd listening on", server.local_endpoint());
    if (admin)
        announce("nxcommd admin on", admin->local_endpoint());
    if (config.allow.empty())
        std::fputs("nxcommd: no --allow given, every target will be refused\n", stderr);
    server.start();
    if (admin)
        admin->start();
    io.run();
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    const auto command = nxcommd::parse_command_line(argc, argv);
    if (command.help) {
        std::cout << nxcommd::usage_text();
        return 0;
    }
    if (!command.config) {
        std::cerr << "nxcommd: " << command.error << " (see nxcommd --help)\n";
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    raise_descriptor_limit();
    try {
        return run(*command.config);
    } catch (const std::exception& e) {
        std::cerr << "nxcommd: " << e.what() << "\n";
        return 1;
    }
}
