#include "gateway/src/upstream_relay.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>

namespace nxcommd {
namespace {

namespace asio = boost::asio;

// Reads start small (most responses are a few KiB) and grow with the response.
constexpr std::size_t kFirstRead = 16 * 1024;
constexpr std::size_t kLargestRead = 256 * 1024;

bool refused(const boost::system::error_code& ec)
{
    return ec == asio::error::connection_refused;
}

// What a kept-alive connection that the server closed meanwhile looks like.
bool stale_connection(const boost::system::error_code& ec)
{
    return ec == asio::error::eof || ec == asio::error::connection_reset ||
           ec == asio::error::broken_pipe;
}

}  // namespace

UpstreamRelay::UpstreamRelay(const asio::any_io_executor& executor, UpstreamPool& pool,
                             RelayRequest request, const GatewayLimits& limits, Millis timeout,
                             Completion done)
    : pool_(pool), request_(std::move(request)), limits_(limits), timeout_(timeout),
      done_(std::move(done)), key_(request_.target.text()), resolver_(executor), socket_(executor),
      deadline_(executor)
{
}

void UpstreamRelay::start()
{
    deadline_.expires_after(timeout_);
    deadline_.async_wait([self = shared_from_this()](error_code ec) {
        if (!ec)
            self->on_deadline();
    });
    if (auto kept = pool_.take(key_)) {
        socket_ = std::move(*kept);
        begin_exchange(true);
    } else {
        connect();
    }
}

void UpstreamRelay::cancel()
{
    finished_ = true;
    done_ = nullptr;
    deadline_.cancel();
    resolver_.cancel();
    error_code ignored;
    socket_.close(ignored);
}

void UpstreamRelay::connect()
{
    error_code ec;
    const auto address = asio::ip::make_address(request_.target.host, ec);
    if (!ec) {
        connect_to(tcp::resolver::results_type::create(tcp::endpoint(address, request_.target.port),
                                                       request_.target.host, ""));
        return;
    }
    resolver_.async_resolve(
        request_.target.host, std::to_string(request_.target.port),
        [self = shared_from_this()](error_code ec, const tcp::resolver::results_type& endpoints) {
            if (self->finished_)
                return;
            if (ec)
                return self->fail(status::bad_gateway,
                                  "cannot resolve " + self->request_.target.host);
            self->connect_to(endpoints);
        });
}

void UpstreamRelay::connect_to(const tcp::resolver::results_type& endpoints)
{
    asio::async_connect(
        socket_, endpoints, [self = shared_from_this()](error_code ec, const tcp::endpoint&) {
            if (self->finished_)
                return;
            if (refused(ec))
                return self->fail(status::bad_gateway, "connection refused by " + self->key_);
            if (ec)
                return self->fail(status::bad_gateway,
                                  "cannot connect to " + self->key_ + " (" + ec.message() + ")");
            error_code ignored;
            self->socket_.set_option(tcp::no_delay(true), ignored);
            self->begin_exchange(false);
        });
}

void UpstreamRelay::begin_exchange(bool reused)
{
    reused_ = reused;
    response_.emplace(request_.head, limits_.max_header_bytes, limits_.max_response_bytes);
    write();
}

void UpstreamRelay::write()
{
    asio::async_write(socket_, asio::buffer(request_.bytes),
                      [self = shared_from_this()](error_code ec, std::size_t) {
                          if (self->finished_)
                              return;
                          if (!ec)
                              return self->read();
                          if (!(stale_connection(ec) && self->retry_on_fresh_connection()))
                              self->fail(status::bad_gateway, "connection to " + self->key_ +
                                                                  " broke off (" + ec.message() +
                                                                  ")");
                      });
}

void UpstreamRelay::read()
{
    const auto room =
        response_->prepare(std::clamp(response_->received(), kFirstRead, kLargestRead));
    socket_.async_read_some(
        asio::buffer(room.data(), room.size()),
        [self = shared_from_this()](error_code ec, std::size_t n) { self->on_read(ec, n); });
}

void UpstreamRelay::on_read(error_code ec, std::size_t n)
{
    if (finished_)
        return;
    if (ec && stale_connection(ec) && response_->received_nothing() && retry_on_fresh_connection())
        return;
    if (ec && ec != asio::error::eof)
        return fail(status::bad_gateway,
                    "connection to " + key_ + " broke off (" + ec.message() + ")");
    const auto state = ec ? response_->finish_at_eof() : response_->commit(n);
    if (state == ResponseBoundary::State::need_more)
        return read();
    if (state == ResponseBoundary::State::failed)
        return fail(response_->failure().status, key_ + " " + response_->failure().reason);
    succeed();
}

// A kept-alive connection may have been closed by the server just as we
// picked it; the request is sent once more on a new connection, but only
// when nothing of a response had come back.
bool UpstreamRelay::retry_on_fresh_connection()
{
    if (!reused_ || retried_)
        return false;
    retried_ = true;
    error_code ignored;
    socket_.close(ignored);
    connect();
    return true;
}

void UpstreamRelay::succeed()
{
    RelayOutcome outcome;
    outcome.status = response_->status_code();
    outcome.response = response_->take_response();
    if (response_->reusable())
        pool_.give_back(key_, std::move(socket_));
    finish(std::move(outcome));
}

void UpstreamRelay::fail(int status, const std::string& reason)
{
    finish(RelayOutcome{error_page(Failure{status, reason}), status, reason});
}

void UpstreamRelay::finish(RelayOutcome outcome)
{
    finished_ = true;
    deadline_.cancel();
    error_code ignored;
    socket_.close(ignored);
    if (auto done = std::move(done_))
        done(std::move(outcome));
}

void UpstreamRelay::on_deadline()
{
    if (finished_)
        return;
    resolver_.cancel();
    fail(status::gateway_timeout,
         "no response from " + key_ + " within " + std::to_string(timeout_.count()) + " ms");
}

}  // namespace nxcommd
