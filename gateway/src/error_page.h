// The HTML responses the gateway sends in place of an upstream response.
// Clients recognise them by "Content-Type: text/html" (matched case-sensitively)
// and show the text of the <h1> heading, so both are fixed here.
#pragma once

#include <string>
#include <string_view>

namespace nxcommd {

// A failure the gateway answers itself: an HTTP status and a reason naming
// what went wrong ("connection refused by 127.0.0.1:9").
struct Failure {
    int status = 0;
    std::string reason;
};

namespace status {
inline constexpr int bad_request = 400;
inline constexpr int forbidden = 403;
inline constexpr int payload_too_large = 413;
inline constexpr int bad_gateway = 502;
inline constexpr int gateway_timeout = 504;
}  // namespace status

std::string_view reason_phrase(int status);

// A complete HTTP/1.1 response: status line, Content-Type: text/html,
// Content-Length and a page whose <h1> reads "<phrase>: <reason>".
std::string error_page(const Failure& failure);

}  // namespace nxcommd
