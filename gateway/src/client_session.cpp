#include "gateway/src/client_session.h"

#include "gateway/src/request_log.h"

#include <algorithm>
#include <array>

namespace nxcommd {
namespace {

namespace asio = boost::asio;

constexpr std::size_t kReadChunk = 64 * 1024;
// While no frames are taken, reading goes on only this far ahead: enough to
// see the end of the connection behind a few more frames, never a flood.
constexpr std::size_t kPausedReadAhead = 64 * 1024;
// How long a draining gateway waits for a connection to stay quiet before it
// closes it.
constexpr std::chrono::milliseconds kDrainQuiet{100};
// How long a draining gateway waits for that before it closes a connection
// between two frames all the same.
constexpr std::chrono::milliseconds kDrainPatience{1000};

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
                             UpstreamPool& pool, std::shared_ptr<BudgetAccount> account,
                             GatewayMetrics& metrics)
    : socket_(std::move(socket)), config_(config), pool_(pool), account_(std::move(account)),
      metrics_(metrics), peer_(peer_name(socket_)), frames_(max_frame_payload(config.limits)),
      idle_timer_(socket_.get_executor()), last_progress_(Clock::now()),
      write_progress_(last_progress_), frame_timer_(socket_.get_executor()),
      drain_timer_(socket_.get_executor())
{
}

void ClientSession::start()
{
    error_code ignored;
    socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    arm_idle_timer();
    read();
}

void ClientSession::drain()
{
    draining_ = true;
    drain_started_ = Clock::now();
    close_if_drained();
}

// Between frames with every answer written, closing loses no answer; the
// client reconnects (through its balancer, to a gateway still accepting). A
// client in the middle of a run of calls sends its next frame the instant it
// has an answer, possibly before it could see a close, so a connection is
// let go once it has been quiet for a moment. One that is never quiet is
// closed right after an answer once the drain has waited a while: the close
// then follows the answer closely enough for a client to see it before it
// sends again.
void ClientSession::close_if_drained()
{
    if (!draining_ || closed_ || pending() != 0 || frames_.buffered() != 0)
        return;
    if (last_answer_queued_)
        return close();
    const auto now = Clock::now();
    const auto quiet_until = last_progress_ + kDrainQuiet;
    const auto patience_until = drain_started_ + kDrainPatience;
    if (now >= quiet_until || now >= patience_until)
        return close();
    drain_timer_.expires_at(std::min(quiet_until, patience_until));
    drain_timer_.async_wait([self = shared_from_this()](error_code ec) {
        if (!ec)
            self->close_if_drained();
    });
}

void ClientSession::close()
{
    if (closed_)
        return;
    closed_ = true;
    metrics_.requests_in_flight -= relays_.size();
    for (auto& [id, relay] : relays_)
        relay->cancel();
    relays_.clear();
    answers_.clear();
    account_->set_answers_waiting(false);
    account_->release(answer_bytes_);
    answer_bytes_ = 0;
    idle_timer_.cancel();
    frame_timer_.cancel();
    drain_timer_.cancel();
    error_code ignored;
    socket_.close(ignored);
}

bool ClientSession::accepting_frames() const
{
    return pending() < config_.limits.max_in_flight && !account_->over_share();
}

void ClientSession::read()
{
    if (closed_ || reading_)
        return;
    if (!accepting_frames() && frames_.buffered() >= kPausedReadAhead)
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
    resume();
}

void ClientSession::resume()
{
    take_frames();
    close_if_drained();
    read();
    update_frame_timer();
}

void ClientSession::take_frames()
{
    while (!closed_ && accepting_frames()) {
        auto frame = frames_.next();
        if (!frame)
            return;
        handle(*frame);
    }
    if (!closed_ && account_->over_share())
        wait_for_budget();
}

void ClientSession::wait_for_budget()
{
    if (waiting_for_budget_)
        return;
    waiting_for_budget_ = true;
    const std::weak_ptr<ClientSession> weak = weak_from_this();
    account_->wait(
        weak,
        [weak] {
            const auto self = weak.lock();
            return !self || self->closed_ || !self->account_->over_share();
        },
        [weak] {
            if (const auto self = weak.lock()) {
                self->waiting_for_budget_ = false;
                if (!self->closed_)
                    self->resume();
            }
        });
}

void ClientSession::handle(const ReceivedFrame& frame)
{
    const auto started = Clock::now();
    ++metrics_.frames_received;
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
            --self->metrics_.requests_in_flight;
            self->metrics_.upstream_latency.observe(Clock::now() - started);
            self->relays_.erase(id);
            self->answer(header, std::move(url), std::move(outcome), started);
        }
    };
    auto relay =
        std::make_shared<UpstreamRelay>(socket_.get_executor(), pool_, std::move(admitted.request),
                                        config_, admitted.timeout, account_, std::move(done));
    relays_.emplace(id, relay);
    ++metrics_.requests_in_flight;
    relay->start();
}

void ClientSession::answer(const nxcomm::FrameHeader& header, std::string url, RelayOutcome outcome,
                           Clock::time_point started)
{
    log_request(RequestRecord{peer_, url, outcome.status, outcome.response.size(),
                              Clock::now() - started, outcome.failure});
    metrics_.count_answer(outcome.status, outcome.failure.empty());
    if (closed_)
        return;
    answer_bytes_ += outcome.response.size();
    account_->charge(outcome.response.size());
    // Draining, the answer that leaves nothing pending is the connection's
    // last, and says so: the client then sends its next request on a new
    // connection rather than into this one as it closes.
    const bool last = draining_ && pending() == 0 && frames_.buffered() == 0;
    last_answer_queued_ = last_answer_queued_ || last;
    answers_.push_back(make_answer(header, std::move(outcome.response),
                                   last ? nxcomm::kLastAnswerMode : nxcomm::kAnswerMode));
    account_->set_answers_waiting(true);
    write();
}

void ClientSession::write()
{
    if (writing_ || answers_.empty() || closed_)
        return;
    writing_ = true;
    write_progress_ = Clock::now();
    write_some();
}

// Written piece by piece, so that a client reading slowly but steadily is
// seen to make progress.
void ClientSession::write_some()
{
    const AnswerFrame& next = answers_.front();
    std::array<asio::const_buffer, 2> buffers{asio::buffer(next.head), asio::buffer(next.response)};
    if (written_ < next.head.size())
        buffers[0] += written_;
    else
        buffers = {asio::const_buffer(),
                   asio::buffer(next.response) + (written_ - next.head.size())};
    socket_.async_write_some(buffers, [self = shared_from_this()](error_code ec, std::size_t n) {
        self->on_written(ec, n);
    });
}

void ClientSession::on_written(error_code ec, std::size_t n)
{
    if (closed_)
        return;
    if (ec)
        return close();
    write_progress_ = Clock::now();
    written_ += n;
    const AnswerFrame& front = answers_.front();
    if (written_ < front.head.size() + front.response.size())
        return write_some();
    const std::size_t done = front.response.size();
    written_ = 0;
    writing_ = false;
    answers_.pop_front();
    answer_bytes_ -= done;
    last_progress_ = write_progress_;
    account_->set_answers_waiting(!answers_.empty());
    account_->release(done);
    write();
    resume();
}

void ClientSession::arm_idle_timer()
{
    const auto since = answers_.empty() ? last_progress_ : write_progress_;
    idle_timer_.expires_at(since + config_.limits.idle_timeout);
    idle_timer_.async_wait([self = shared_from_this()](error_code ec) {
        if (!ec && !self->closed_)
            self->on_idle_timer();
    });
}

// Waiting on upstream servers is not the client's fault: their time-outs
// bound it. While answers wait, only the client taking them is progress
// (sending more does not count); otherwise any byte received is.
void ClientSession::on_idle_timer()
{
    const auto now = Clock::now();
    const auto limit = config_.limits.idle_timeout;
    const bool waiting_on_upstream = !relays_.empty() && answers_.empty() && !frames_.mid_frame();
    if (waiting_on_upstream)
        last_progress_ = now;
    if (!answers_.empty() && now >= write_progress_ + limit)
        return drop("dropped after " + std::to_string(limit.count()) +
                    " ms without reading its answers");
    if (answers_.empty() && now >= last_progress_ + limit)
        return drop("dropped after " + std::to_string(limit.count()) + " ms without progress");
    arm_idle_timer();
}

// A frame is timed from its first byte to its last, whatever trickles in
// between; only while it is being read, as a pause of ours is not the
// client's delay.
void ClientSession::update_frame_timer()
{
    const bool timing = !closed_ && reading_ && frames_.mid_frame();
    if (!timing) {
        if (frame_timed_) {
            ++frame_generation_;
            frame_timer_.cancel();
        }
        frame_timed_ = false;
        return;
    }
    if (frame_timed_ && timed_frame_ == frames_.completed())
        return;
    frame_timed_ = true;
    timed_frame_ = frames_.completed();
    frame_timer_.expires_after(config_.limits.frame_timeout);
    frame_timer_.async_wait(
        [self = shared_from_this(), generation = ++frame_generation_](error_code ec) {
            if (!ec && !self->closed_ && generation == self->frame_generation_)
                self->drop("dropped: a frame took longer than " +
                           std::to_string(self->config_.limits.frame_timeout.count()) +
                           " ms to arrive");
        });
}

void ClientSession::drop(const std::string& why)
{
    log_event(peer_ + " " + why);
    close();
}

}  // namespace nxcommd
