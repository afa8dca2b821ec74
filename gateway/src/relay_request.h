// Reads a client's raw HTTP request the way a forward proxy does: it must be
// exactly one well-formed message; its target comes from an absolute-form
// request line ("POST https://host:port/path HTTP/1.1"), which is rewritten to
// origin-form with the target's Host before forwarding, or else from the Host
// header (http, port 80). Every other byte is forwarded as received.
#pragma once

#include "gateway/src/error_page.h"
#include "gateway/src/host_port.h"

#include <cstddef>
#include <string>
#include <variant>

namespace nxcommd {

struct RelayRequest {
    HostPort target;
    std::string url;          // http[s]://host:port/path, for logs and error pages
    std::string method;       // as sent: "POST"
    std::string bytes;        // what goes to the upstream server
    bool tls = false;         // an https:// target: the upstream is spoken to over TLS
    bool head = false;        // a HEAD request: the response has no body
    bool idempotent = false;  // may be sent again when a connection fails before answering
};

// Returns the request or a Failure (400 malformed, 413 head over max_header_bytes).
std::variant<RelayRequest, Failure> read_relay_request(std::string raw,
                                                       std::size_t max_header_bytes);

}  // namespace nxcommd
