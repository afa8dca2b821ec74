// How the gateway reads a client's request before relaying it: the target,
// the request line rewrite, and what it refuses without contacting anyone.
#include "gateway/src/allow_list.h"
#include "gateway/src/frame_admission.h"
#include "gateway/src/relay_request.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using nxcommd::Failure;
using nxcommd::RelayRequest;

constexpr std::size_t kHeaderLimit = 4096;

struct TargetCase {
    const char* name;
    std::string raw;
    std::string host;
    std::uint16_t port;
    std::string forwarded;  // empty: forwarded unchanged
    std::string url;
};

TEST(RelayRequest, FindsTheTargetAndForwardsOriginForm)
{
    const std::string body = "Content-Length: 3\r\n\r\nabc";
    const std::vector<TargetCase> cases{
        {"Host header with port", "POST /calc HTTP/1.1\r\nHost: 127.0.0.1:8080\r\n" + body,
         "127.0.0.1", 8080, "", "http://127.0.0.1:8080/calc"},
        {"Host header without port", "GET /x?y=1 HTTP/1.1\r\nhost: Example.ORG\r\n\r\n",
         "example.org", 80, "", "http://example.org:80/x?y=1"},
        {"absolute-form wins over Host",
         "POST http://127.0.0.1:9000/svc?wsdl HTTP/1.1\r\nHost: other:1\r\n" + body, "127.0.0.1",
         9000, "POST /svc?wsdl HTTP/1.1\r\nHost: 127.0.0.1:9000\r\n" + body,
         "http://127.0.0.1:9000/svc?wsdl"},
        {"absolute-form without path, upper-case scheme", "GET HTTP://LocalHost HTTP/1.1\r\n\r\n",
         "localhost", 80, "GET / HTTP/1.1\r\nHost: LocalHost\r\n\r\n", "http://localhost:80/"},
        {"absolute-form with query but no path", "GET http://h:81?q HTTP/1.1\r\n\r\n", "h", 81,
         "GET /?q HTTP/1.1\r\nHost: h:81\r\n\r\n", "http://h:81/?q"},
        {"absolute-form's Host replaces every Host sent",
         "GET http://h:1/ HTTP/1.1\r\nHost: a\r\nX: 1\r\nhost: b\r\n\r\n", "h", 1,
         "GET / HTTP/1.1\r\nHost: h:1\r\nX: 1\r\n\r\n", "http://h:1/"},
        {"https, default port", "POST HTTPS://Svc.Example/a HTTP/1.1\r\nHost: localhost\r\n" + body,
         "svc.example", 443, "POST /a HTTP/1.1\r\nHost: Svc.Example\r\n" + body,
         "https://svc.example:443/a"},
        {"https, own port", "GET https://[::1]:8443/?q HTTP/1.1\r\n\r\n", "::1", 8443,
         "GET /?q HTTP/1.1\r\nHost: [::1]:8443\r\n\r\n", "https://[::1]:8443/?q"},
        {"URL in the query", "GET /go?to=http://x/ HTTP/1.1\r\nHost: h\r\n\r\n", "h", 80, "",
         "http://h:80/go?to=http://x/"},
        {"IPv6 literal", "GET / HTTP/1.1\r\nHost: [::1]:8000\r\n\r\n", "::1", 8000, "",
         "http://[::1]:8000/"},
        {"codings ending in chunked",
         "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: gzip,\r\nTransfer-Encoding: "
         "chunked\r\n\r\n"
         "0\r\n\r\n",
         "h", 80, "", "http://h:80/"},
        {"chunked request body",
         "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n"
         "3\r\nabc\r\n0\r\n\r\n",
         "h", 80, "", "http://h:80/"},
    };
    for (const auto& c : cases) {
        auto result = nxcommd::read_relay_request(c.raw, kHeaderLimit);
        const auto* request = std::get_if<RelayRequest>(&result);
        ASSERT_TRUE(request) << c.name << ": " << std::get<Failure>(result).reason;
        EXPECT_EQ(request->target.host, c.host) << c.name;
        EXPECT_EQ(request->target.port, c.port) << c.name;
        EXPECT_EQ(request->bytes, c.forwarded.empty() ? c.raw : c.forwarded) << c.name;
        EXPECT_EQ(request->url, c.url) << c.name;
        EXPECT_EQ(request->tls, c.url.starts_with("https://")) << c.name;
    }
}

TEST(RelayRequest, MarksHeadRequests)
{
    auto result = nxcommd::read_relay_request("HEAD / HTTP/1.1\r\nHost: h\r\n\r\n", kHeaderLimit);
    ASSERT_TRUE(std::holds_alternative<RelayRequest>(result));
    EXPECT_TRUE(std::get<RelayRequest>(result).head);
}

TEST(RelayRequest, KnowsWhichMethodsMayBeSentAgain)
{
    const std::vector<std::pair<std::string, bool>> cases{
        {"GET", true},     {"HEAD", true},  {"PUT", true},    {"DELETE", true},
        {"OPTIONS", true}, {"POST", false}, {"PATCH", false}, {"M-SEARCH", false},
    };
    for (const auto& [method, idempotent] : cases) {
        auto result =
            nxcommd::read_relay_request(method + " / HTTP/1.1\r\nHost: h\r\n\r\n", kHeaderLimit);
        ASSERT_TRUE(std::holds_alternative<RelayRequest>(result)) << method;
        EXPECT_EQ(std::get<RelayRequest>(result).idempotent, idempotent) << method;
        EXPECT_EQ(std::get<RelayRequest>(result).method, method);
    }
}

struct RefusedCase {
    const char* name;
    std::string raw;
    int status;
    std::string reason_part;
};

TEST(RelayRequest, RefusesWhatCannotBeRelayed)
{
    const std::vector<RefusedCase> cases{
        {"not HTTP", "garbage\r\n\r\n", 400, "malformed request"},
        {"payload without head", "<soap:Envelope/>", 400, "malformed request"},
        {"head not finished", "GET / HTTP/1.1\r\nHost: h\r\n", 400, "incomplete"},
        {"body shorter than its length",
         "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 9\r\n\r\nab", 400, "incomplete"},
        {"bytes after the message", "GET / HTTP/1.1\r\nHost: h\r\n\r\nGET / HTTP/1.1\r\n\r\n", 400,
         "bytes follow"},
        {"no Host", "GET / HTTP/1.1\r\n\r\n", 400, "no Host header"},
        {"two Hosts", "GET / HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n", 400, "more than one Host"},
        {"bad Host port", "GET / HTTP/1.1\r\nHost: h:99999\r\n\r\n", 400, "unusable Host"},
        {"user info in target", "GET http://u@h/ HTTP/1.1\r\n\r\n", 400, "unusable host"},
        {"ftp target", "GET ftp://h/ HTTP/1.1\r\nHost: h\r\n\r\n", 400,
         "only http:// and https://"},
        {"relative target", "GET calc HTTP/1.1\r\nHost: h\r\n\r\n", 400, "neither a path"},
        {"CONNECT", "CONNECT h:443 HTTP/1.1\r\nHost: h:443\r\n\r\n", 400, "CONNECT"},
        {"folded header line", "GET / HTTP/1.1\r\nHost: h\r\nX-A: 1\r\n\t2\r\n\r\n", 400, "folded"},
        {"coding other than chunked last",
         "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked, gzip\r\n\r\n", 400,
         "does not end in chunked"},
        {"only a coding other than chunked",
         "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: gzip\r\n\r\n", 400,
         "does not end in chunked"},
        {"Content-Length list", "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 5, 5\r\n\r\nhello",
         400, "more than one Content-Length"},
        {"Content-Length twice",
         "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\nhello", 400,
         "more than one Content-Length"},
        {"head over the limit",
         "GET / HTTP/1.1\r\nHost: h\r\nX: " + std::string(kHeaderLimit, 'a') + "\r\n\r\n", 413,
         "request head exceeds 4096 bytes"},
    };
    for (const auto& c : cases) {
        auto result = nxcommd::read_relay_request(c.raw, kHeaderLimit);
        const auto* failure = std::get_if<Failure>(&result);
        ASSERT_TRUE(failure) << c.name;
        EXPECT_EQ(failure->status, c.status) << c.name;
        EXPECT_NE(failure->reason.find(c.reason_part), std::string::npos)
            << c.name << ": " << failure->reason;
    }
}

TEST(AllowList, MatchesHostOrHostAndPort)
{
    nxcommd::AllowList allow;
    ASSERT_TRUE(allow.add("127.0.0.1"));
    ASSERT_TRUE(allow.add("Svc.Example:8080"));
    ASSERT_TRUE(allow.add("[::1]:81"));
    EXPECT_FALSE(allow.add("host/path"));
    EXPECT_FALSE(allow.add("host:0"));
    EXPECT_FALSE(allow.add(""));

    EXPECT_TRUE(allow.allows({"127.0.0.1", 1}));
    EXPECT_TRUE(allow.allows({"127.0.0.1", 65535}));
    EXPECT_TRUE(allow.allows({"svc.example", 8080}));
    EXPECT_FALSE(allow.allows({"svc.example", 80}));
    EXPECT_TRUE(allow.allows({"::1", 81}));
    EXPECT_FALSE(allow.allows({"localhost", 80}));
    EXPECT_FALSE(allow.allows({"127.0.0.2", 80}));
}

TEST(AllowList, PermitsPublicAddressesAndListedInsideOnes)
{
    nxcommd::AllowList allow;
    ASSERT_TRUE(allow.add("127.0.0.1:8080"));
    ASSERT_TRUE(allow.add("10.1.2.3"));
    ASSERT_TRUE(allow.add("[fd00::1]"));
    ASSERT_TRUE(allow.add("svc.example"));
    const std::vector<std::tuple<const char*, std::uint16_t, bool>> cases{
        {"93.184.216.34", 80, true},
        {"172.32.0.1", 80, true},
        {"2a00:1450::1", 443, true},
        {"::ffff:8.8.8.8", 80, true},
        {"127.0.0.1", 8080, true},
        {"127.0.0.1", 80, false},
        {"127.0.0.2", 8080, false},
        {"10.1.2.3", 1, true},
        {"10.1.2.4", 80, false},
        {"172.16.0.1", 80, false},
        {"192.168.1.1", 80, false},
        {"169.254.169.254", 80, false},
        {"100.64.0.1", 80, false},
        {"0.0.0.0", 80, false},
        {"224.0.0.1", 80, false},
        {"255.255.255.255", 80, false},
        {"::1", 80, false},
        {"::", 80, false},
        {"fe80::1", 80, false},
        {"fd00::1", 80, true},
        {"fd00::2", 80, false},
        {"::ffff:10.0.0.1", 80, false},
        {"::ffff:127.0.0.1", 8080, false},
    };
    for (const auto& [address, port, permitted] : cases)
        EXPECT_EQ(allow.permits_address(boost::asio::ip::make_address(address), port), permitted)
            << address << " port " << port;
}

nxcommd::ReceivedFrame frame_for(const std::string& http, std::uint32_t timeout_ms,
                                 std::uint16_t service = 2048, std::uint16_t mode = 2)
{
    const nxcomm::Bytes piece(reinterpret_cast<const std::uint8_t*>(http.data()), http.size());
    const std::vector<nxcomm::Bytes> pieces{piece};
    return {{1, service, mode, timeout_ms, 0}, nxcomm::serialize(pieces), false};
}

nxcommd::GatewayConfig admission_config()
{
    nxcommd::GatewayConfig config;
    config.allow.add("127.0.0.1");
    config.limits.default_timeout = nxcommd::Millis(1500);
    config.limits.max_timeout = nxcommd::Millis(4000);
    config.limits.max_request_bytes = 100;
    return config;
}

TEST(Admission, TimeOutIsTheDefaultForZeroAndCappedAtTheMaximum)
{
    const auto config = admission_config();
    const std::string http = "GET / HTTP/1.1\r\nHost: 127.0.0.1:81\r\n\r\n";
    const std::vector<std::pair<std::uint32_t, long>> cases{{0, 1500}, {250, 250}, {9000, 4000}};
    for (const auto& [asked, granted] : cases) {
        auto result = nxcommd::admit_frame(frame_for(http, asked), config);
        ASSERT_TRUE(std::holds_alternative<nxcommd::Admitted>(result));
        EXPECT_EQ(std::get<nxcommd::Admitted>(result).timeout.count(), granted) << asked;
    }
}

TEST(Admission, RefusesBeforeAnyUpstreamIsContacted)
{
    const auto config = admission_config();
    const std::string ok = "GET / HTTP/1.1\r\nHost: 127.0.0.1:81\r\n\r\n";
    const std::string body(101, 'x');
    const std::vector<std::tuple<const char*, nxcommd::ReceivedFrame, int, std::string>> cases{
        {"other service", frame_for(ok, 0, 77), 400, "unknown service 77"},
        {"other mode", frame_for(ok, 0, 2048, 1), 400, "unsupported mode 1"},
        {"malformed buffer", {{1, 2048, 2, 0, 0}, {1, 0, 0, 0}, false}, 400, "serialized buffer"},
        {"request too large", frame_for(body, 0), 413, "request exceeds 100 bytes"},
        {"oversized frame", {{1, 2048, 2, 0, 999999}, {}, true}, 413, "request frame of 999999"},
        {"not allowed", frame_for("GET / HTTP/1.1\r\nHost: localhost\r\n\r\n", 0), 403,
         "target localhost:80 is not on the allow-list"},
    };
    for (const auto& [name, frame, status, reason] : cases) {
        auto result = nxcommd::admit_frame(frame, config);
        const auto* failure = std::get_if<Failure>(&result);
        ASSERT_TRUE(failure) << name;
        EXPECT_EQ(failure->status, status) << name;
        EXPECT_NE(failure->reason.find(reason), std::string::npos)
            << name << ": " << failure->reason;
    }
}

}  // namespace
