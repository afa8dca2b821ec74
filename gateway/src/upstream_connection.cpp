#include "gateway/src/upstream_connection.h"

#include <boost/asio/ip/address.hpp>

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

namespace nxcommd {

UpstreamConnection::UpstreamConnection(const executor_type& executor,
                                       boost::asio::ssl::context* tls)
    : plain_(executor)
{
    if (tls)
        tls_.emplace(executor, *tls);
}

void UpstreamConnection::close()
{
    // No close_notify: the response's own framing tells where it ends, and a
    // server that is gone should not hold us up.
    boost::system::error_code ignored;
    socket().close(ignored);
}

bool UpstreamConnection::expect_host(const std::string& host)
{
    SSL* ssl = tls_->native_handle();
    boost::system::error_code not_an_address;
    boost::asio::ip::make_address(host, not_an_address);
    // An address is checked against the certificate's addresses and is never
    // sent as a server name (RFC 6066, 3).
    if (!not_an_address)
        return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
    return SSL_set_tlsext_host_name(ssl, host.c_str()) == 1 &&
           SSL_set1_host(ssl, host.c_str()) == 1;
}

std::string UpstreamConnection::handshake_failure(const boost::system::error_code& ec)
{
    const long verdict = SSL_get_verify_result(tls_->native_handle());
    if (verdict != X509_V_OK)
        return std::string("certificate not accepted: ") + X509_verify_cert_error_string(verdict);
    return ec.message();
}

boost::asio::ssl::context make_tls_client_context(const std::string& ca_file)
{
    boost::asio::ssl::context context(boost::asio::ssl::context::tls_client);
    SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION);
    context.set_default_verify_paths();
    if (!ca_file.empty())
        context.load_verify_file(ca_file);
    context.set_verify_mode(boost::asio::ssl::verify_peer);
    return context;
}

}  // namespace nxcommd
