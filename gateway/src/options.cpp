#include "gateway/src/options.h"
#include "gateway/src/upstream_connection.h"

#include <nxcomm/frame.h>

#include <boost/asio/ip/address.hpp>

#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>
#include <sstream>
#include <vector>

namespace nxcommd {

GatewayLimits::GatewayLimits() : max_response_bytes(nxcomm::kMaxSinglePieceAnswer) {}

namespace {

// Found now rather than when the first https:// request comes.
bool loads_certificates(std::string_view ca_file)
{
    try {
        make_tls_client_context(std::string(ca_file));
        return true;
    } catch (const boost::system::system_error&) {
        return false;
    }
}

std::optional<std::size_t> parse_count(std::string_view text)
{
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || stop != end || value == 0)
        return std::nullopt;
    return value;
}

// A numeric option: its name and help line, and access to its field (the
// help text shows the field of a default-constructed GatewayLimits).
struct NumericOption {
    const char* name;
    const char* help;
    std::function<std::size_t(const GatewayLimits&)> get;
    std::function<void(GatewayLimits&, std::size_t)> set;
};

NumericOption size_option(const char* name, const char* help, std::size_t GatewayLimits::*field)
{
    return {name, help, [field](const GatewayLimits& l) { return l.*field; },
            [field](GatewayLimits& l, std::size_t v) { l.*field = v; }};
}

// Longer than any sensible wait, and short enough that deadlines never overflow.
constexpr std::size_t kLongestMillis = 24 * 60 * 60 * 1000;

NumericOption millis_option(const char* name, const char* help, Millis GatewayLimits::*field)
{
    return {
        name, help,
        [field](const GatewayLimits& l) { return static_cast<std::size_t>((l.*field).count()); },
        [field](GatewayLimits& l, std::size_t v) {
            l.*field = Millis(static_cast<Millis::rep>(std::min(v, kLongestMillis)));
        }};
}

const std::vector<NumericOption>& numeric_options()
{
    using L = GatewayLimits;
    static const std::vector<NumericOption> options = {
        size_option("--max-request-bytes", "largest raw HTTP request relayed",
                    &L::max_request_bytes),
        size_option("--max-response-bytes", "largest raw HTTP response relayed (*)",
                    &L::max_response_bytes),
        size_option("--max-header-bytes", "largest request or response head", &L::max_header_bytes),
        millis_option("--idle-timeout-ms", "drop a client that makes no progress this long",
                      &L::idle_timeout),
        millis_option("--frame-timeout-ms", "drop a client whose frame takes longer to arrive",
                      &L::frame_timeout),
        millis_option("--default-timeout-ms", "per-request time-out when the frame gives 0",
                      &L::default_timeout),
        millis_option("--max-timeout-ms", "cap on a frame's per-request time-out", &L::max_timeout),
        size_option("--max-clients", "simultaneous client connections", &L::max_clients),
        size_option("--max-in-flight", "requests pending per client connection", &L::max_in_flight),
        size_option("--max-buffered-mb", "MiB of requests and answers held for all clients",
                    &L::max_buffered_mb),
        size_option("--max-idle-upstream", "kept-alive upstream connections in total",
                    &L::max_idle_upstream),
        millis_option("--drain-timeout-ms",
                      "on SIGTERM, wait this long for pending requests before exiting",
                      &L::drain_timeout),
        millis_option("--upstream-idle-ms",
                      "close a kept-alive upstream connection unused this long", &L::upstream_idle),
    };
    return options;
}

const NumericOption* find_numeric(std::string_view name)
{
    for (const NumericOption& option : numeric_options())
        if (name == option.name)
            return &option;
    return nullptr;
}

// A local address to listen on: an IP address (no name) and a port, 0 for any free one.
std::optional<HostPort> parse_listen_address(std::string_view value)
{
    auto listen = parse_host_port(value, nxcomm::kDefaultPort, PortZero::allowed);
    boost::system::error_code not_an_address;
    if (listen)
        boost::asio::ip::make_address(listen->host, not_an_address);
    if (!listen || not_an_address)
        return std::nullopt;
    return listen;
}

std::string apply(GatewayConfig& config, std::string_view name, std::string_view value)
{
    if (name == "--listen" || name == "--admin") {
        auto address = parse_listen_address(value);
        if (!address)
            return std::string(name) + " expects ADDRESS:PORT, got '" + std::string(value) + "'";
        if (name == "--listen")
            config.listen = std::move(*address);
        else
            config.admin = std::move(*address);
        return {};
    }
    if (name == "--ca-file") {
        if (!loads_certificates(value))
            return "--ca-file has no PEM certificates that can be read: '" + std::string(value) +
                   "'";
        config.ca_file = value;
        return {};
    }
    if (name == "--allow")
        return config.allow.add(value)
                   ? std::string{}
                   : "--allow expects HOST or HOST:PORT, got '" + std::string(value) + "'";
    const NumericOption* option = find_numeric(name);
    if (!option)
        return "unknown option " + std::string(name);
    const auto number = parse_count(value);
    if (!number)
        return std::string(name) + " expects a positive number, got '" + std::string(value) + "'";
    option->set(config.limits, *number);
    return {};
}

std::string check(const GatewayLimits& limits)
{
    if (limits.default_timeout > limits.max_timeout)
        return "--default-timeout-ms exceeds --max-timeout-ms";
    if (limits.max_response_bytes >
        std::numeric_limits<std::uint32_t>::max() - nxcomm::kSinglePieceOverhead)
        return "--max-response-bytes does not fit a frame";
    if (limits.max_request_bytes > std::numeric_limits<std::uint32_t>::max() / 2)
        return "--max-request-bytes does not fit a frame";
    if (limits.max_buffered_mb > std::numeric_limits<std::size_t>::max() / (1024 * 1024))
        return "--max-buffered-mb is too large";
    if (limits.max_header_bytes > limits.max_request_bytes)
        return "--max-header-bytes exceeds --max-request-bytes";
    return {};
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const argv[])
{
    CommandLine result;
    GatewayConfig config{HostPort{"127.0.0.1", nxcomm::kDefaultPort}, {}, {}, {}, std::nullopt};
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            result.help = true;
            return result;
        }
        if (i + 1 >= argc) {
            result.error = std::string(name) + " needs a value";
            return result;
        }
        result.error = apply(config, name, argv[++i]);
        if (!result.error.empty())
            return result;
    }
    result.error = check(config.limits);
    if (result.error.empty())
        result.config = std::move(config);
    return result;
}

std::string usage_text()
{
    const GatewayLimits defaults;
    std::ostringstream out;
    out << "usage: nxcommd [--listen ADDRESS:PORT] --allow HOST[:PORT] [--allow ...] [limits]\n\n"
        << "Relays framed raw HTTP requests to the web servers they name (over TLS 1.2\n"
        << "or later for https:// targets, with the certificate verified) and returns\n"
        << "their raw responses. Prints 'nxcommd listening on HOST:PORT' once bound.\n\n"
        << "  --listen ADDRESS:PORT     address to listen on (default 127.0.0.1:"
        << nxcomm::kDefaultPort << "; port 0 picks a free one)\n"
        << "  --allow HOST[:PORT]       permitted upstream target, repeatable (default: none,\n"
        << "                            every target is refused)\n"
        << "  --ca-file PATH            PEM certificates trusted for https:// targets besides\n"
        << "                            the system's (default: the system's only)\n"
        << "  --admin ADDRESS:PORT      serve GET /healthz and GET /metrics (Prometheus) here\n"
        << "                            (default: off); prints 'nxcommd admin on HOST:PORT'\n";
    for (const NumericOption& option : numeric_options()) {
        std::string name = option.name;
        name += " N";
        name.resize(std::max<std::size_t>(name.size() + 1, 26), ' ');
        out << "  " << name << option.help << " (default " << option.get(defaults) << ")\n";
    }
    out << "  --help                    this text\n\n"
        << "SIGTERM drains: /healthz turns 503, no new connections are accepted, pending\n"
        << "requests are answered and idle connections closed, then the gateway exits 0.\n"
        << "A second SIGTERM, or SIGINT, stops at once.\n\n"
        << "(*) the default is what fits the client's " << nxcomm::kClientReceiveArea
        << "-byte receive area as one answer.\n";
    return out.str();
}

}  // namespace nxcommd
