#pragma once
// Where the gateway is: the environment variable NXCOMM_GATEWAY, read each
// time a connection is made, as "host:port" or "[v6-address]:port".
#include <optional>
#include <string>
#include <string_view>

namespace nxapi {

struct GatewayAddress {
    std::string host;
    std::string port;  // decimal, 1..65535
};

// Null when the text is not host:port with a port of 1..65535.
std::optional<GatewayAddress> ParseGatewayAddress(std::string_view text);

// The address NXCOMM_GATEWAY names, or 127.0.0.1:7575 when it is not set.
std::optional<GatewayAddress> ConfiguredGatewayAddress();

}  // namespace nxapi
