#include "gateway/src/host_port.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace nxcommd {
namespace {

bool is_name_char(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool is_ipv6_char(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
}

std::optional<std::uint16_t> parse_port(std::string_view text, PortZero zero)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || stop != end || value > 65535 ||
        (value == 0 && zero == PortZero::refused))
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

}  // namespace

std::string HostPort::text() const
{
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<HostAndOptionalPort> parse_host_and_port(std::string_view text, PortZero zero)
{
    std::string_view host;
    std::string_view rest;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (host.empty() || !std::all_of(host.begin(), host.end(), is_ipv6_char))
            return std::nullopt;
    } else {
        const auto colon = text.find(':');
        host = text.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : text.substr(colon);
        if (host.empty() || !std::all_of(host.begin(), host.end(), is_name_char))
            return std::nullopt;
    }
    HostAndOptionalPort result{lower(host), std::nullopt};
    if (rest.empty())
        return result;
    if (!rest.starts_with(':'))
        return std::nullopt;
    result.port = parse_port(rest.substr(1), zero);
    if (!result.port)
        return std::nullopt;
    return result;
}

std::optional<HostPort> parse_host_port(std::string_view text, std::uint16_t default_port,
                                        PortZero zero)
{
    auto parsed = parse_host_and_port(text, zero);
    if (!parsed)
        return std::nullopt;
    return HostPort{std::move(parsed->host), parsed->port.value_or(default_port)};
}

}  // namespace nxcommd
