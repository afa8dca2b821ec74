// One line per request on stderr, written in a single call so that lines
// from a busy gateway never interleave:
//   <client> <url> <status> <bytes>B <ms>ms [reason]
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

namespace nxcommd {

struct RequestRecord {
    std::string_view client;  // "address:port" of the client connection
    std::string_view url;     // "-" when the request never got that far
    int status = 0;
    std::size_t bytes = 0;  // response bytes returned to the client
    std::chrono::steady_clock::duration elapsed{};
    std::string_view reason;  // empty unless the gateway answered itself
};

void log_request(const RequestRecord& record);

// For events that are not requests (refused clients, accept failures).
void log_event(std::string_view text);

}  // namespace nxcommd
