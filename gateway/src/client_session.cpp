#include "gateway/src/client_session.h"

#include "gateway/src/request_log.h"

#include <boost/asio/write.hpp>

#include <array>

namespace nxcommd {
namespace {

namespace asio = boost::asio;

constexpr std::size_t kReadChunk = 64 * 1024;

std::string peer_name(const asio::ip::tcp::socket& socket)
{
    boost::system::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    if (ec)
        return "?";
    return peer.address().to_string() + ":" + std::to_string(peer.port());
}

}  // namespace

ClientSession::ClientSession(asio::ip::tcp::socket socket, const GatewayConfig& config,
                             UpstreamPool& pool)
    : socket_(std::move(socket)), config_(config), pool_(pool), peer_(peer_name(socket_)),
      frames_(max_frame_payload(config.limits)), idle_timer_(socket_.get_executor()),
      last_progress_(Clock::now())
{
}

void ClientSession::start()
{
    error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    arm_idle_timer();
    read();
}

void ClientSession::close()
{
    if (closed_)
        return;
    closed_ = true;
    for (auto& [id, relay] : relays_)
        relay->cancel();
    relays_.clear();
    answers_.clear();
    idle_timer_.cancel();
    error_code ignored;
    socket_.close(ignored);
}

void ClientSession::read()
{
    if (closed_ || reading_ || pending() >= config_.limits.max_in_flight)
        return;
    reading_ = true;
    const auto room = frames_.prepare(kReadChunk);
    socket_.async_read_some(
        asio::buffer(room.data(), room.size()),
        [self = shared_from_this()](error_code ec, std::size_t n) { self->on_read(ec, n); });
}

void ClientSession::on_read(error_code ec, std::size_t n)
{
    reading_ = false;
    if (closed_)
        return;
    // End of input means the client is gone (clients never half-close), so
    // its pending relays are abandoned rather than left running to their time-outs.
    if (ec)
        return close();
    last_progress_ = Clock::now();
    frames_.commit(n);
    take_frames();
    read();
}

void ClientSession::take_frames()
{
    while (!closed_ && pending() < config_.limits.max_in_flight) {
        auto frame = frames_.next();
        if (!frame)
            return;
        handle(*frame);
    }
}

void ClientSession::handle(const ReceivedFrame& frame)
{
    const auto started = Clock::now();
    auto admitted = admit_frame(frame, config_);
    if (auto* failure = std::get_if<Failure>(&admitted)) {
        const std::string reason = failure->reason;
        answer(frame.header, "-", RelayOutcome{error_page(*failure), failure->status, reason},
               started);
        return;
    }
    relay(frame.header, std::move(std::get<Admitted>(admitted)), started);
}

void ClientSession::relay(const nxcomm::FrameHeader& header, Admitted admitted,
                          Clock::time_point started)
{
    const std::uint64_t id = next_relay_++;
    std::string url = admitted.request.url;
    auto done = [weak = weak_from_this(), id, header, url, started](RelayOutcome outcome) mutable {
        if (auto self = weak.lock()) {
            self->relays_.erase(id);
            self->answer(header, std::move(url), std::move(outcome), started);
        }
    };
    auto relay =
        std::make_shared<UpstreamRelay>(socket_.get_executor(), pool_, std::move(admitted.request),
                                        config_.limits, admitted.timeout, std::move(done));
    relays_.emplace(id, relay);
    relay->start();
}

void ClientSession::answer(const nxcomm::FrameHeader& header, std::string url, RelayOutcome outcome,
                           Clock::time_point started)
{
    log_request(RequestRecord{peer_, url, outcome.status, outcome.response.size(),
                              Clock::now() - started, outcome.failure});
    if (closed_)
        return;
    answers_.push_back(make_answer(header, std::move(outcome.response)));
    write();
}

void ClientSession::write()
{
    if (writing_ || answers_.empty() || closed_)
        return;
    writing_ = true;
    const AnswerFrame& next = answers_.front();
    const std::array<asio::const_buffer, 2> buffers{asio::buffer(next.head),
                                                    asio::buffer(next.response)};
    asio::async_write(socket_, buffers, [self = shared_from_this()](error_code ec, std::size_t) {
        self->writing_ = false;
        if (self->closed_)
            return;
        if (ec)
            return self->close();
        self->last_progress_ = Clock::now();
        self->answers_.pop_front();
        self->write();
        self->take_frames();
        self->read();
    });
}

void ClientSession::arm_idle_timer()
{
    idle_timer_.expires_at(last_progress_ + config_.limits.idle_timeout);
    idle_timer_.async_wait([self = shared_from_this()](error_code ec) {
        if (!ec && !self->closed_)
            self->on_idle_timer();
    });
}

// Waiting on upstream servers is not the client's fault: their time-outs
// bound it. Anything else without progress for the idle time-out is.
void ClientSession::on_idle_timer()
{
    const bool waiting_on_upstream = !relays_.empty() && answers_.empty() && !frames_.mid_frame();
    if (waiting_on_upstream || Clock::now() < last_progress_ + config_.limits.idle_timeout) {
        if (waiting_on_upstream)
            last_progress_ = Clock::now();
        arm_idle_timer();
        return;
    }
    log_event(peer_ + " dropped after " + std::to_string(config_.limits.idle_timeout.count()) +
              " ms without progress");
    close();
}

}  // namespace nxcommd
