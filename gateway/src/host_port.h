// "host[:port]" as it appears on the command line, in a Host header and in
// an absolute URL. Host names are kept lower-case so that comparisons with
// the allow-list and pool keys are plain string compares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nxcommd {

struct HostPort {
    std::string host;  // lower-case name or address; IPv6 without brackets
    std::uint16_t port = 0;

    // "host:port", with brackets around an IPv6 address.
    std::string text() const;
};

struct HostAndOptionalPort {
    std::string host;
    std::optional<std::uint16_t> port;
};

// Port 0 only makes sense for an address to listen on ("any free port").
enum class PortZero { refused, allowed };

// Accepts a DNS name, an IPv4 address or a bracketed IPv6 address, then an
// optional ":port" (1-65535). Anything else (user info, paths, empty parts,
// characters outside host syntax) gives nullopt.
std::optional<HostAndOptionalPort> parse_host_and_port(std::string_view text,
                                                       PortZero zero = PortZero::refused);

// As above, with `default_port` filled in when the text names none.
std::optional<HostPort> parse_host_port(std::string_view text, std::uint16_t default_port,
                                        PortZero zero = PortZero::refused);

}  // namespace nxcommd
