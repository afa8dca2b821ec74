#include "gateway/src/relay_request.h"

#include <boost/beast/http/error.hpp>

#include <algorithm>
#include <cctype>
#include <limits>
#include <optional>
#include <vector>

#include "gateway/src/counting_parser.h"

namespace nxcommd {
namespace {

namespace http = boost::beast::http;
using boost::beast::error_code;
using boost::beast::string_view;

struct Scheme {
    std::string_view prefix;
    std::uint16_t default_port;
    bool tls;
};

constexpr Scheme kHttp{"http://", 80, false};
constexpr Scheme kHttps{"https://", 443, true};

bool equals_no_case(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

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
    bool tls = false;
    std::string origin_form;  // path and query; empty when the request line keeps its target
    std::string authority;    // host[:port] as written in an absolute-form target
};

std::variant<Target, Failure> absolute_target(std::string_view target, const Scheme& scheme)
{
    const std::string_view rest = target.substr(scheme.prefix.size());
    const auto slash = rest.find_first_of("/?");
    const std::string_view authority = rest.substr(0, slash);
    auto host = parse_host_port(authority, scheme.default_port);
    if (!host)
        return bad_request("unusable host in request target");
    std::string path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (path.front() == '?')
        path.insert(0, "/");
    return Target{std::move(*host), scheme.tls, std::move(path), std::string(authority)};
}

bool has_scheme(std::string_view target, const Scheme& scheme)
{
    return target.size() >= scheme.prefix.size() &&
           equals_no_case(target.substr(0, scheme.prefix.size()), scheme.prefix);
}

std::variant<Target, Failure> locate_target(const RequestScanner& scan)
{
    for (const Scheme& scheme : {kHttp, kHttps})
        if (has_scheme(scan.target, scheme))
            return absolute_target(scan.target, scheme);
    const bool origin_form = scan.target.starts_with('/') || scan.target == "*";
    if (!origin_form && scan.target.find("://") != std::string_view::npos)
        return bad_request("only http:// and https:// targets can be relayed");
    if (!origin_form)
        return bad_request("request target is neither a path nor an http:// URL");
    if (scan.host_fields != 1)
        return bad_request(scan.host_fields == 0 ? "request has no Host header"
                                                 : "request has more than one Host header");
    auto host = parse_host_port(*scan.host, kHttp.default_port);
    if (!host)
        return bad_request("unusable Host header");
    return Target{std::move(*host), false, {}, {}};
}

// The head of a well-formed request (no folded lines) without its Host
// lines, and with `start` in place of its request line.
std::string head_without_host(std::string_view head, std::string_view start)
{
    std::string out(start);
    for (auto at = head.find("\r\n") + 2; at < head.size();) {
        const auto end = head.find("\r\n", at) + 2;
        const std::string_view line = head.substr(at, end - at);
        if (!equals_no_case(line.substr(0, line.find(':')), "host"))
            out.append(line);
        at = end;
    }
    return out;
}

// A proxy forwards an absolute-form request in origin form, with the target's
// authority as its only Host (RFC 9112, 3.2.2), whatever Host the client sent.
void rewrite_to_origin_form(std::string& raw, const RequestScanner& scan, const Target& target)
{
    const std::size_t head_end = raw.find("\r\n\r\n") + 2;
    const std::string_view line(raw.data(), raw.find("\r\n") + 2);
    const auto target_at = static_cast<std::size_t>(scan.target.data() - raw.data());
    const std::string start = std::string(line.substr(0, target_at)) + target.origin_form +
                              std::string(line.substr(target_at + scan.target.size())) +
                              "Host: " + target.authority + "\r\n";
    raw.replace(0, head_end, head_without_host(std::string_view(raw).substr(0, head_end), start));
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
    if (scan.final_coding && !equals_no_case(*scan.final_coding, "chunked"))
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
    request.tls = target.tls;
    request.url = std::string(target.tls ? kHttps.prefix : kHttp.prefix) + target.host.text() +
                  (scan.target == "*" ? "" : std::string(path));
    if (!target.origin_form.empty())
        rewrite_to_origin_form(raw, scan, target);
    request.bytes = std::move(raw);
    request.target = std::move(target.host);
    return request;
}

}  // namespace nxcommd
