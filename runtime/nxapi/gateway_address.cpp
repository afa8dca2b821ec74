#include "runtime/nxapi/gateway_address.h"

#include <windows.h>

#include <charconv>

#include "nxcomm/frame.h"

namespace nxapi {

namespace {

constexpr char kVariable[] = "NXCOMM_GATEWAY";
constexpr char kDefaultHost[] = "127.0.0.1";
constexpr DWORD kMaxVariableLength = 1024;

bool IsPort(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 1 && value <= 65535;
}

}  // namespace

std::optional<GatewayAddress> ParseGatewayAddress(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view host = text.substr(0, colon);
    const std::string_view port = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string_view::npos)
        return std::nullopt;  // a v6 address needs its brackets
    if (host.empty() || !IsPort(port)) return std::nullopt;
    return GatewayAddress{std::string(host), std::string(port)};
}

std::optional<GatewayAddress> ConfiguredGatewayAddress()
{
    char text[kMaxVariableLength];
    const DWORD length = GetEnvironmentVariableA(kVariable, text, kMaxVariableLength);
    if (length == 0) return GatewayAddress{kDefaultHost, std::to_string(nxcomm::kDefaultPort)};
    if (length >= kMaxVariableLength) return std::nullopt;
    return ParseGatewayAddress(std::string_view(text, length));
}

}  // namespace nxapi
