// The gateway speaking TLS to https:// targets: a verified server is relayed
// to over a kept connection; a server it cannot verify gets a 502 page that
// names why, and not one byte of the request.
#include "fake_upstream.h"
#include "gateway_harness.h"

#include <gtest/gtest.h>

namespace gwtest {
namespace {

nxcommd::GatewayConfig tls_config()
{
    auto config = test_config();
    config.allow.add("localhost");
    config.ca_file = test_certificates().ca;
    return config;
}

// As the library composes it for an https:// endpoint: the absolute target
// in the request line, and a Host of "localhost" that the gateway replaces.
std::string https_post(const std::string& authority, const std::string& path)
{
    return "POST https://" + authority + path +
           " HTTP/1.1\r\nHost: localhost\r\nContent-Length: 7\r\n\r\n<call/>";
}

Reply secure(const std::string& request)
{
    return request_path(request) == "/silent" ? Reply{"", false, 0ms, true}
                                              : Reply{ok_response("secure")};
}

TEST(GatewayTls, RelaysToAVerifiedServerOverOneKeptConnection)
{
    FakeUpstream upstream(secure, &test_certificates().good);
    GatewayRunner gateway(tls_config());
    FrameClient client(gateway.port());
    const std::string authority = "localhost:" + std::to_string(upstream.port());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(client.exchange(https_post(authority, "/svc")).response, ok_response("secure"));
    EXPECT_EQ(upstream.connections(), 1);
    EXPECT_EQ(upstream.server_name(), "localhost");
    ASSERT_EQ(upstream.requests().size(), 2u);
    EXPECT_EQ(upstream.requests()[0],
              "POST /svc HTTP/1.1\r\nHost: " + authority + "\r\nContent-Length: 7\r\n\r\n<call/>");
    EXPECT_EQ(client.exchange(https_post(authority, "/silent"), 300).heading(),
              "Gateway Timeout: no response from " + authority + " within 300 ms");
}

struct RefusedPeer {
    const char* name;
    const Identity& identity;
    std::string host;
    std::string reason;
};

TEST(GatewayTls, RefusesAServerItCannotVerifyBeforeSendingAnything)
{
    const auto& certificates = test_certificates();
    const std::vector<RefusedPeer> cases{
        {"untrusted", certificates.untrusted, "localhost",
         "unable to get local issuer certificate"},
        {"wrong name", certificates.wrong_name, "localhost", "hostname mismatch"},
        {"wrong address", certificates.wrong_name, "127.0.0.1", "IP address mismatch"},
        {"expired", certificates.expired, "localhost", "certificate has expired"},
    };
    GatewayRunner gateway(tls_config());
    FrameClient client(gateway.port());
    for (const auto& c : cases) {
        FakeUpstream upstream(secure, &c.identity);
        const std::string authority = c.host + ":" + std::to_string(upstream.port());
        EXPECT_EQ(client.exchange(https_post(authority, "/svc")).heading(),
                  "Bad Gateway: TLS handshake with " + authority +
                      " failed: certificate not accepted: " + c.reason)
            << c.name;
        EXPECT_TRUE(upstream.requests().empty()) << c.name;
    }
}

// A server that speaks no TLS never finishes the handshake: the request's
// time-out covers the handshake as it covers the rest of the exchange.
TEST(GatewayTls, BoundsTheHandshakeByTheRequestTimeOut)
{
    FakeUpstream clear_text(secure);
    GatewayRunner gateway(tls_config());
    FrameClient client(gateway.port());
    const std::string authority = "localhost:" + std::to_string(clear_text.port());
    EXPECT_EQ(client.exchange(https_post(authority, "/svc"), 300).heading(),
              "Gateway Timeout: no response from " + authority + " within 300 ms");
    EXPECT_TRUE(clear_text.requests().empty());
}

}  // namespace
}  // namespace gwtest
