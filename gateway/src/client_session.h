// One client connection: reads frames, relays each request concurrently,
// and writes the answers back framed with their request ids in the order
// they complete. Bounded on every side: at most max_in_flight requests are
// pending, and the bytes it holds count against the gateway's budget; beyond
// either it takes no new frames (but still reads a little ahead, to notice
// the client leaving). A frame that takes longer than the frame time-out to
// arrive, answers the client leaves unread for the idle time-out, or a
// connection idle that long get the connection dropped. While the gateway
// drains, the connection is closed once it is between frames with nothing
// pending and has been quiet for a moment (or the drain has waited a while).
#pragma once

#include "gateway/src/answer_frame.h"
#include "gateway/src/buffer_budget.h"
#include "gateway/src/frame_admission.h"
#include "gateway/src/frame_assembler.h"
#include "gateway/src/metrics.h"
#include "gateway/src/options.h"
#include "gateway/src/upstream_pool.h"
#include "gateway/src/upstream_relay.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

namespace nxcommd {

class ClientSession : public std::enable_shared_from_this<ClientSession> {
public:
    ClientSession(boost::asio::ip::tcp::socket socket, const GatewayConfig& config,
                  UpstreamPool& pool, std::shared_ptr<BudgetAccount> account,
                  GatewayMetrics& metrics);

    void start();
    // Answers what was already asked, then closes once nothing is pending.
    void drain();
    // Closes the connection and abandons its pending requests.
    void close();

private:
    using Clock = std::chrono::steady_clock;
    using error_code = boost::system::error_code;

    bool accepting_frames() const;
    void read();
    void on_read(error_code ec, std::size_t n);
    void take_frames();
    void resume();
    void wait_for_budget();
    void handle(const ReceivedFrame& frame);
    void relay(const nxcomm::FrameHeader& header, Admitted admitted, Clock::time_point started);
    void answer(const nxcomm::FrameHeader& header, std::string url, RelayOutcome outcome,
                Clock::time_point started);
    void write();
    void write_some();
    void on_written(error_code ec, std::size_t n);
    void arm_idle_timer();
    void on_idle_timer();
    void update_frame_timer();
    void drop(const std::string& why);
    void close_if_drained();
    std::size_t pending() const { return relays_.size() + answers_.size(); }

    boost::asio::ip::tcp::socket socket_;
    const GatewayConfig& config_;
    UpstreamPool& pool_;
    std::shared_ptr<BudgetAccount> account_;
    GatewayMetrics& metrics_;
    std::string peer_;
    FrameAssembler frames_;
    std::unordered_map<std::uint64_t, std::shared_ptr<UpstreamRelay>> relays_;
    std::uint64_t next_relay_ = 0;
    std::deque<AnswerFrame> answers_;  // front is being written while writing_
    std::size_t answer_bytes_ = 0;     // response bytes in answers_, charged to the account
    std::size_t written_ = 0;          // bytes of the front answer already written
    bool reading_ = false;
    bool writing_ = false;
    bool waiting_for_budget_ = false;
    bool closed_ = false;
    bool draining_ = false;
    bool last_answer_queued_ = false;  // an answer marked the connection's last
    boost::asio::steady_timer idle_timer_;
    Clock::time_point last_progress_;   // bytes received or an answer taken
    Clock::time_point write_progress_;  // the client last took answer bytes
    boost::asio::steady_timer frame_timer_;
    bool frame_timed_ = false;
    std::uint64_t timed_frame_ = 0;       // frames_.completed() when the timer was armed
    std::uint64_t frame_generation_ = 0;  // tells a stale expiry from the current one
    boost::asio::steady_timer drain_timer_;
    Clock::time_point drain_started_;
};

}  // namespace nxcommd
