#include "gateway/src/upstream_relay.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/error.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>

namespace nxcommd {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

// Reads start small (most responses are a few KiB) and grow with the response.
constexpr std::size_t kFirstRead = 16 * 1024;
constexpr std::size_t kLargestRead = 256 * 1024;

bool refused(const boost::system::error_code& ec)
{
    return ec == asio::error::connection_refused;
}

// The end of the connection. Over TLS, a server may close without saying so
// first; the response's own framing still tells whether it was complete.
bool ended(const boost::system::error_code& ec)
{
    return ec == asio::error::eof || ec == asio::ssl::error::stream_truncated;
}

// What a kept-alive connection that the server closed meanwhile looks like.
bool stale_connection(const boost::system::error_code& ec)
{
    return ended(ec) || ec == asio::error::connection_reset || ec == asio::error::broken_pipe;
}

}  // namespace

UpstreamRelay::UpstreamRelay(const asio::any_io_executor& executor, UpstreamPool& pool,
                             RelayRequest request, const GatewayConfig& config, Millis timeout,
                             std::shared_ptr<BudgetAccount> account, Completion done)
    : pool_(pool), request_(std::move(request)), config_(config), timeout_(timeout),
      account_(std::move(account)), done_(std::move(done)), key_(request_.target.text()),
      pool_key_((request_.tls ? "https://" : "http://") + key_), resolver_(executor),
      deadline_(executor)
{
}

void UpstreamRelay::start()
{
    charged_ = request_.bytes.size();
    account_->charge(charged_);
    deadline_.expires_after(timeout_);
    deadline_.async_wait([self = shared_from_this()](error_code ec) {
        if (!ec)
            self->on_deadline();
    });
    if (auto kept = pool_.take(pool_key_)) {
        connection_ = std::move(kept);
        begin_exchange(true);
    } else {
        connect();
    }
}

void UpstreamRelay::cancel()
{
    done_ = nullptr;
    stop_io();
}

void UpstreamRelay::connect()
{
    connection_ = pool_.make(request_.tls);
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

// Only the addresses the allow-list permits are tried, whatever the name
// resolved to at this moment.
void UpstreamRelay::connect_to(const tcp::resolver::results_type& endpoints)
{
    std::vector<tcp::endpoint> permitted;
    std::string refused_address;
    for (const auto& entry : endpoints) {
        if (config_.allow.permits_address(entry.endpoint().address(), request_.target.port))
            permitted.push_back(entry.endpoint());
        else if (refused_address.empty())
            refused_address = entry.endpoint().address().to_string();
    }
    if (permitted.empty())
        return fail(status::forbidden, "target " + key_ + " resolves to " + refused_address +
                                           ", which is not on the allow-list");
    asio::async_connect(
        connection_->socket(), permitted,
        [self = shared_from_this()](error_code ec, const tcp::endpoint&) {
            if (self->finished_)
                return;
            if (refused(ec))
                return self->fail(status::bad_gateway, "connection refused by " + self->key_);
            if (ec)
                return self->fail(status::bad_gateway,
                                  "cannot connect to " + self->key_ + " (" + ec.message() + ")");
            error_code ignored;
            self->connection_->socket().set_option(tcp::no_delay(true), ignored);
            if (self->connection_->secure())
                return self->handshake();
            self->begin_exchange(false);
        });
}

void UpstreamRelay::handshake()
{
    if (!connection_->expect_host(request_.target.host))
        return fail(status::bad_gateway, "cannot set up TLS for " + key_);
    connection_->async_handshake([self = shared_from_this()](error_code ec) {
        if (self->finished_)
            return;
        if (ec)
            return self->fail(status::bad_gateway,
                              "TLS handshake with " + self->key_ +
                                  " failed: " + self->connection_->handshake_failure(ec));
        self->begin_exchange(false);
    });
}

void UpstreamRelay::begin_exchange(bool reused)
{
    reused_ = reused;
    hold_connection(true);
    request_sent_ = 0;
    response_.emplace(request_.head, config_.limits.max_header_bytes,
                      config_.limits.max_response_bytes);
    write();
}

void UpstreamRelay::write()
{
    asio::async_write(
        *connection_, asio::buffer(request_.bytes),
        [self = shared_from_this()](error_code ec, std::size_t n) { self->on_written(ec, n); });
}

void UpstreamRelay::on_written(error_code ec, std::size_t n)
{
    if (finished_)
        return;
    request_sent_ = n;
    if (!ec)
        return read();
    if (!(stale_connection(ec) && retry_on_fresh_connection()))
        fail(status::bad_gateway, "connection to " + key_ + " broke off (" + ec.message() + ")");
}

void UpstreamRelay::read()
{
    if (finished_)
        return;
    if (!account_->may_receive(this)) {
        const std::weak_ptr<UpstreamRelay> weak = weak_from_this();
        account_->wait(
            weak,
            [weak] {
                const auto self = weak.lock();
                return !self || self->finished_ || self->account_->may_receive(self.get());
            },
            [weak] {
                if (const auto self = weak.lock())
                    self->read();
            });
        return;
    }
    const std::size_t held = response_->held();
    const auto room =
        response_->prepare(std::clamp(response_->received(), kFirstRead, kLargestRead));
    if (response_->held() > held) {
        account_->charge(response_->held() - held);
        charged_ += response_->held() - held;
    }
    connection_->async_read_some(
        asio::buffer(room.data(), room.size()),
        [self = shared_from_this()](error_code ec, std::size_t n) { self->on_read(ec, n); });
}

void UpstreamRelay::on_read(error_code ec, std::size_t n)
{
    if (finished_)
        return;
    if (ec && stale_connection(ec) && response_->received_nothing() && retry_on_fresh_connection())
        return;
    if (ec && stale_connection(ec) && response_->received_nothing() && reused_)
        return fail(status::bad_gateway,
                    key_ + " closed a kept-alive connection without responding; the " +
                        request_.method +
                        " request was not sent again as it may have taken effect");
    if (ec && !ended(ec))
        return fail(status::bad_gateway,
                    "connection to " + key_ + " broke off (" + ec.message() + ")");
    const auto state = ec ? response_->finish_at_eof() : response_->commit(n);
    if (state == ResponseBoundary::State::need_more)
        return read();
    if (state == ResponseBoundary::State::failed)
        return fail(response_->failure().status, key_ + " " + response_->failure().reason);
    succeed();
}

// Nothing of the request reached the server, or repeating it does no harm.
bool UpstreamRelay::may_send_again() const
{
    return request_sent_ == 0 || request_.idempotent;
}

// A kept-alive connection may have been closed by the server just as we
// picked it; the request is sent once more on a new connection, but only
// when nothing of a response had come back and sending it again is safe.
bool UpstreamRelay::retry_on_fresh_connection()
{
    if (!reused_ || retried_ || !may_send_again())
        return false;
    retried_ = true;
    hold_connection(false);
    connection_->close();
    connect();
    return true;
}

void UpstreamRelay::succeed()
{
    RelayOutcome outcome;
    outcome.status = response_->status_code();
    outcome.response = response_->take_response();
    hold_connection(false);
    if (response_->reusable())
        pool_.give_back(pool_key_, std::move(connection_));
    finish(std::move(outcome));
}

void UpstreamRelay::fail(int status, const std::string& reason)
{
    finish(RelayOutcome{error_page(Failure{status, reason}), status, reason});
}

void UpstreamRelay::finish(RelayOutcome outcome)
{
    stop_io();
    if (auto done = std::move(done_))
        done(std::move(outcome));
}

// Gives back everything the relay holds: its connection, its timer, its
// bytes on the budget.
void UpstreamRelay::stop_io()
{
    if (finished_)
        return;
    finished_ = true;
    deadline_.cancel();
    resolver_.cancel();
    hold_connection(false);
    if (connection_)
        connection_->close();
    account_->release(charged_);
    charged_ = 0;
    account_->relay_finished(this);
}

void UpstreamRelay::hold_connection(bool held)
{
    if (holds_connection_ != held)
        pool_.count_in_use(held);
    holds_connection_ = held;
}

void UpstreamRelay::on_deadline()
{
    if (finished_)
        return;
    fail(status::gateway_timeout,
         "no response from " + key_ + " within " + std::to_string(timeout_.count()) + " ms");
}

}  // namespace nxcommd
