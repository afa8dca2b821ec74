#include "gateway/src/admin_server.h"

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <optional>

namespace nxcommd {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

constexpr std::chrono::seconds kRequestTime{5};
constexpr std::size_t kMaxConnections = 16;
constexpr std::size_t kMaxRequestHead = 8 * 1024;
// After a failed accept (out of descriptors), a pause instead of a spin.
constexpr std::chrono::milliseconds kAcceptPause{100};

http::response<http::string_body> respond(const http::request<http::empty_body>& request,
                                          const AdminHandlers& handlers)
{
    http::response<http::string_body> response;
    response.version(request.version());
    response.keep_alive(request.keep_alive());
    response.set(http::field::content_type, "text/plain; charset=utf-8");
    const bool readable =
        request.method() == http::verb::get || request.method() == http::verb::head;
    if (!readable) {
        response.result(http::status::method_not_allowed);
        response.set(http::field::allow, "GET, HEAD");
        response.body() = "method not allowed\n";
    } else if (request.target() == "/healthz") {
        const bool accepting = handlers.accepting();
        response.result(accepting ? http::status::ok : http::status::service_unavailable);
        response.body() = accepting ? "accepting\n" : "draining\n";
    } else if (request.target() == "/metrics") {
        response.result(http::status::ok);
        response.set(http::field::content_type, "text/plain; version=0.0.4; charset=utf-8");
        response.body() = handlers.metrics();
    } else {
        response.result(http::status::not_found);
        response.body() = "not found; try /healthz or /metrics\n";
    }
    response.prepare_payload();
    if (request.method() == http::verb::head)
        response.body().clear();
    return response;
}

}  // namespace

// One admin connection: requests answered one after another until the peer
// closes, asks to close, or is silent too long.
class AdminSession : public std::enable_shared_from_this<AdminSession> {
public:
    AdminSession(tcp::socket socket, std::shared_ptr<AdminHandlers> handlers)
        : stream_(std::move(socket)), handlers_(std::move(handlers))
    {
    }

    void close() { stream_.close(); }

    void read()
    {
        parser_.emplace();
        parser_->header_limit(kMaxRequestHead);
        parser_->body_limit(0);
        stream_.expires_after(kRequestTime);
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) {
                             if (!ec)
                                 self->answer();
                         });
    }

private:
    void answer()
    {
        response_ = respond(parser_->get(), *handlers_);
        http::async_write(
            stream_, response_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
                if (ec || !self->response_.keep_alive()) {
                    beast::error_code ignored;
                    self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                    return;
                }
                self->read();
            });
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::empty_body>> parser_;
    http::response<http::string_body> response_;
    std::shared_ptr<AdminHandlers> handlers_;
};

AdminServer::AdminServer(asio::io_context& io, const tcp::endpoint& endpoint,
                         AdminHandlers handlers)
    : acceptor_(io, endpoint, /*reuse_address=*/true),
      handlers_(std::make_shared<AdminHandlers>(std::move(handlers))), accept_pause_(io)
{
}

void AdminServer::start()
{
    accept();
}

void AdminServer::stop()
{
    stopped_ = true;
    beast::error_code ignored;
    acceptor_.close(ignored);
    accept_pause_.cancel();
    for (auto& weak : sessions_)
        if (auto session = weak.lock())
            session->close();
    sessions_.clear();
}

void AdminServer::accept()
{
    acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (stopped_)
            return;
        if (ec) {
            accept_pause_.expires_after(kAcceptPause);
            accept_pause_.async_wait([this](beast::error_code wait_ec) {
                if (!wait_ec && !stopped_)
                    accept();
            });
            return;
        }
        if (live_sessions() < kMaxConnections) {
            auto session = std::make_shared<AdminSession>(std::move(socket), handlers_);
            sessions_.push_back(session);
            session->read();
        }
        accept();
    });
}

std::size_t AdminServer::live_sessions()
{
    sessions_.remove_if([](const std::weak_ptr<AdminSession>& weak) { return weak.expired(); });
    return sessions_.size();
}

}  // namespace nxcommd
