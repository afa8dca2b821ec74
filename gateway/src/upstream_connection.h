// A connection to an upstream server, in clear text or over TLS. Relays and
// the pool handle both alike; only setting one up differs: a TLS connection
// needs its handshake, with the name or address its certificate must show.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>

#include <optional>
#include <string>
#include <utility>

namespace nxcommd {

class UpstreamConnection {
public:
    using tcp = boost::asio::ip::tcp;
    using executor_type = tcp::socket::executor_type;

    // Clear text when `tls` is null.
    UpstreamConnection(const executor_type& executor, boost::asio::ssl::context* tls);

    tcp::socket& socket() { return tls_ ? tls_->next_layer() : plain_; }
    bool secure() const { return tls_.has_value(); }
    executor_type get_executor() { return socket().get_executor(); }
    void close();

    // Names the server for the handshake: SNI for a host name, and the name or
    // address the certificate must carry. False when the host cannot be used.
    bool expect_host(const std::string& host);
    template <typename Handler> void async_handshake(Handler&& handler)
    {
        tls_->async_handshake(boost::asio::ssl::stream_base::client,
                              std::forward<Handler>(handler));
    }
    // Why the handshake failed: the certificate check's verdict when there
    // is one, else the TLS error.
    std::string handshake_failure(const boost::system::error_code& ec);

    template <typename Buffers, typename Handler>
    void async_read_some(const Buffers& buffers, Handler&& handler)
    {
        if (tls_)
            tls_->async_read_some(buffers, std::forward<Handler>(handler));
        else
            plain_.async_read_some(buffers, std::forward<Handler>(handler));
    }
    template <typename Buffers, typename Handler>
    void async_write_some(const Buffers& buffers, Handler&& handler)
    {
        if (tls_)
            tls_->async_write_some(buffers, std::forward<Handler>(handler));
        else
            plain_.async_write_some(buffers, std::forward<Handler>(handler));
    }

private:
    tcp::socket plain_;
    std::optional<boost::asio::ssl::stream<tcp::socket>> tls_;
};

// The client side of TLS for every upstream: TLS 1.2 or later, the server's
// certificate verified against the system's trusted certificates and those in
// `ca_file` (when not empty). Throws boost::system::system_error when the file
// cannot be loaded.
boost::asio::ssl::context make_tls_client_context(const std::string& ca_file);

}  // namespace nxcommd
