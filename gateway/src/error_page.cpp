#include "gateway/src/error_page.h"

namespace nxcommd {
namespace {

std::string escape_html(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Reasons may quote request bytes; control bytes would corrupt the page.
            out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
        }
    }
    return out;
}

}  // namespace

std::string_view reason_phrase(int status)
{
    switch (status) {
    case status::bad_request: return "Bad Request";
    case status::forbidden: return "Forbidden";
    case status::payload_too_large: return "Payload Too Large";
    case status::bad_gateway: return "Bad Gateway";
    case status::gateway_timeout: return "Gateway Timeout";
    default: return "Error";
    }
}

std::string error_page(const Failure& failure)
{
    const std::string phrase(reason_phrase(failure.status));
    const std::string code = std::to_string(failure.status);
    const std::string body = "<html><head><title>" + code + " " + phrase +
                             "</title></head><body><h1>" + phrase + ": " +
                             escape_html(failure.reason) + "</h1></body></html>\n";
    return "HTTP/1.1 " + code + " " + phrase +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

}  // namespace nxcommd
