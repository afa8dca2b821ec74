#include "gateway/src/relay_request.h"

#include <boost/beast/core/string.hpp>
#include <boost/beast/http/error.hpp>

#include <algorithm>
#include <limits>
#include <optional>

#include "gateway/src/counting_parser.h"

namespace nxcommd {
namespace {

namespace http = boost::beast::http;
using boost::beast::error_code;
using boost::beast::string_view;

constexpr std::uint16_t kHttpPort = 80;
constexpr std::string_view kHttpScheme = "http://";

// The last non-empty element of a comma-separated field value, without
// surrounding white space.
std::string_view last_list_element(std::string_view value)
{
    constexpr std::string_view kSpace = " \t";
    while (!value.empty()) {
        const auto comma = value.rfind(',');
        std::string_view element = value.substr(comma == std::string_view::npos ? 0 : comma + 1);
        const auto first = element.find_first_not_of(kSpace);
        if (first != std::string_view::npos)
            return element.substr(first, element.find_last_not_of(kSpace) + 1 - first);
        value = comma == std::string_view::npos ? std::string_view{} : value.substr(0, comma);
    }
    return {};
}

// Checks the message's syntax and framing and keeps the few things a relay
// needs, and what it needs to refuse framing that servers may read differently.
class RequestScanner final : public CountingParser<true> {
public:
    http::verb method = http::verb::unknown;
    std::string_view method_name;  // view into the scanned bytes
    std::string_view target;       // view into the scanned bytes
    std::optional<std::string> host;
    int host_fields = 0;
    int content_length_values = 0;
    std::optional<std::string> final_coding;  // last transfer coding named

private:
    void on_request_impl(verb request_verb, string_view method_text, string_view request_target,
                         int, error_code&) override
    {
        method = request_verb;
        method_name = std::string_view(method_text.data(), method_text.size());
        target = std::string_view(request_target.data(), request_target.size());
    }
    void on_field_impl(field name, string_view, string_view value, error_code&) override
    {
        const std::string_view text(value.data(), value.size());
        if (name == http::field::host) {
            ++host_fields;
            host = std::string(text);
        } else if (name == http::field::content_length) {
            content_length_values +=
                1 + static_cast<int>(std::count(text.begin(), text.end(), ','));
        } else if (name == http::field::transfer_encoding) {
            final_coding = std::string(last_list_element(text));
        }
    }
};

Failure bad_request(std::string reason)
{
    return {status::bad_request, std::move(reason)};
}

struct Target {
    HostPort host;
    std::string origin_form;  // path and query; empty when the request line keeps its target
};

std::variant<Target, Failure> absolute_target(std::string_view target)
{
    const std::string_view rest = target.substr(kHttpScheme.size());
    const auto slash = rest.find_first_of("/?");
    const std::string_view authority = rest.substr(0, slash);
    auto host = parse_host_port(authority, kHttpPort);
    if (!host)
        return bad_request("unusable host in request target");
    std::string path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (path.front() == '?')
        path.insert(0, "/");
    return Target{std::move(*host), std::move(path)};
}

bool has_http_scheme(std::string_view target)
{
    if (target.size() < kHttpScheme.size())
        return false;
    for (std::size_t i = 0; i < kHttpScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(target[i])) != kHttpScheme[i])
            return false;
    return true;
}

std::variant<Target, Failure> locate_target(const RequestScanner& scan)
{
    if (has_http_scheme(scan.target))
        return absolute_target(scan.target);
    if (scan.target.find("://") != std::string_view::npos)
        return bad_request("only http:// targets can be relayed");
    if (!scan.target.starts_with('/') && scan.target != "*")
        return bad_request("request target is neither a path nor an http:// URL");
    if (scan.host_fields != 1)
        return bad_request(scan.host_fields == 0 ? "request has no Host header"
                                                 : "request has more than one Host header");
    auto host = parse_host_port(*scan.host, kHttpPort);
    if (!host)
        return bad_request("unusable Host header");
    return Target{std::move(*host), {}};
}

// A folded line begins with white space; the parser joins it to the line
// before, but a server behind us may not.
bool has_folded_line(std::string_view raw)
{
    const std::string_view head = raw.substr(0, raw.find("\r\n\r\n"));
    for (auto at = head.find("\r\n"); at != std::string_view::npos; at = head.find("\r\n", at + 2))
        if (at + 2 < head.size() && (head[at + 2] == ' ' || head[at + 2] == '\t'))
            return true;
    return false;
}

// Framing the parser tolerates but servers disagree about, which would let a
// request be read one way here and another way upstream.
std::optional<Failure> ambiguous_framing(const RequestScanner& scan, std::string_view raw)
{
    if (has_folded_line(raw))
        return bad_request("request has a folded header line");
    if (scan.final_coding && !boost::beast::iequals(*scan.final_coding, "chunked"))
        return bad_request("request Transfer-Encoding does not end in chunked");
    if (scan.content_length_values > 1)
        return bad_request("request has more than one Content-Length");
    return std::nullopt;
}

// Methods whose repetition has the effect of one request (RFC 9110, 9.2.2).
bool is_idempotent(http::verb method)
{
    switch (method) {
    case http::verb::get:
    case http::verb::head:
    case http::verb::put:
    case http::verb::delete_:
    case http::verb::options:
    case http::verb::trace: return true;
    default: return false;
    }
}

std::optional<Failure> scan_request(RequestScanner& scan, const std::string& raw,
                                    std::size_t max_header_bytes)
{
    scan.eager(true);
    // The frame size already bounds the body. (Beast 1.74 treats boost::none
    // here as "no body allowed" for sized bodies, hence the explicit maximum.)
    scan.body_limit(std::numeric_limits<std::uint64_t>::max());
    scan.header_limit(static_cast<std::uint32_t>(max_header_bytes));
    error_code ec;
    const std::size_t used = scan.put(boost::asio::const_buffer(raw.data(), raw.size()), ec);
    if (ec == http::error::header_limit)
        return Failure{status::payload_too_large,
                       "request head exceeds " + std::to_string(max_header_bytes) + " bytes"};
    if (ec == http::error::need_more || (!ec && !scan.is_done()))
        return bad_request("request is incomplete");
    if (ec)
        return bad_request("malformed request: " + ec.message());
    if (used != raw.size())
        return bad_request("bytes follow the end of the request");
    return ambiguous_framing(scan, raw);
}

}  // namespace

std::variant<RelayRequest, Failure> read_relay_request(std::string raw,
                                                       std::size_t max_header_bytes)
{
    RequestScanner scan;
    if (auto failure = scan_request(scan, raw, max_header_bytes))
        return std::move(*failure);
    if (scan.method == http::verb::connect)
        return bad_request("CONNECT is not relayed");
    auto located = locate_target(scan);
    if (auto* failure = std::get_if<Failure>(&located))
        return std::move(*failure);
    auto& target = std::get<Target>(located);

    RelayRequest request;
    request.method = scan.method_name;
    request.head = scan.method == http::verb::head;
    request.idempotent = is_idempotent(scan.method);
    const std::string_view path =
        target.origin_form.empty() ? scan.target : std::string_view(target.origin_form);
    request.url = "http://" + target.host.text() + (scan.target == "*" ? "" : std::string(path));
    if (!target.origin_form.empty()) {
        // The parser's target view points into `raw`, which locates it exactly.
        const auto offset = static_cast<std::size_t>(scan.target.data() - raw.data());
        raw.replace(offset, scan.target.size(), target.origin_form);
    }
    request.bytes = std::move(raw);
    request.target = std::move(target.host);
    return request;
}

}  // namespace nxcommd
