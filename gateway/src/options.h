// The gateway's configuration: where it listens, whom it relays to, and the
// limits that keep one client or one upstream from holding it hostage.
#pragma once

#include "gateway/src/allow_list.h"
#include "gateway/src/host_port.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace nxcommd {

using Millis = std::chrono::milliseconds;

struct GatewayLimits {
    std::size_t max_request_bytes = 1024 * 1024;  // raw HTTP request, head and body
    std::size_t max_response_bytes;               // raw HTTP response; see the constructor
    std::size_t max_header_bytes = 16 * 1024;     // request head and response head each
    Millis idle_timeout{60000};                   // client connection without progress
    Millis frame_timeout{10000};                  // from a frame's first byte to its last
    Millis default_timeout{30000};                // per request when the frame says 0
    Millis max_timeout{300000};                   // cap on what a frame may ask for
    std::size_t max_clients = 1024;               // simultaneous client connections
    std::size_t max_in_flight = 64;        // per client: requests relayed or answers unwritten
    std::size_t max_buffered_mb = 256;     // bytes held for all clients together, in MiB
    std::size_t max_idle_upstream = 1024;  // kept-alive upstream connections, all hosts
    Millis drain_timeout{30000};           // SIGTERM: longest wait for in-flight requests
    Millis upstream_idle{4000};  // how long an unused upstream connection is kept (below the
                                 // 5 s after which many servers close an idle connection)

    std::size_t max_buffered_bytes() const { return max_buffered_mb * 1024 * 1024; }

    GatewayLimits();
};

struct GatewayConfig {
    HostPort listen;
    AllowList allow;
    GatewayLimits limits;
    std::string ca_file;  // certificates trusted for TLS upstreams besides the system's
    std::optional<HostPort> admin;  // the health and metrics listener, off unless given
};

struct CommandLine {
    std::optional<GatewayConfig> config;  // set when the gateway should run
    bool help = false;                    // --help was given
    std::string error;                    // set when the arguments are unusable
};

CommandLine parse_command_line(int argc, const char* const argv[]);

// The --help text: every option with its default.
std::string usage_text();

}  // namespace nxcommd
