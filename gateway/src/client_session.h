// One client connection: reads frames, relays each request concurrently,
// and writes the answers back framed with their request ids in the order
// they complete. Bounded on every side: at most max_in_flight requests are
// pending (reading pauses beyond that), and a connection that stalls mid-frame,
// stops reading its answers, or sits idle is dropped after the idle time-out.
#pragma once

#include "gateway/src/answer_frame.h"
#include "gateway/src/frame_admission.h"
#include "gateway/src/frame_assembler.h"
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
                  UpstreamPool& pool);

    void start();
    // Closes the connection and abandons its pending requests.
    void close();

private:
    using Clock = std::chrono::steady_clock;
    using error_code = boost::system::error_code;

    void read();
    void on_read(error_code ec, std::size_t n);
    void take_frames();
    void handle(const ReceivedFrame& frame);
    void relay(const nxcomm::FrameHeader& header, Admitted admitted, Clock::time_point started);
    void answer(const nxcomm::FrameHeader& header, std::string url, RelayOutcome outcome,
                Clock::time_point started);
    void write();
    void arm_idle_timer();
    void on_idle_timer();
    std::size_t pending() const { return relays_.size() + answers_.size(); }

    boost::asio::ip::tcp::socket socket_;
    const GatewayConfig& config_;
    UpstreamPool& pool_;
    std::string peer_;
    FrameAssembler frames_;
    std::unordered_map<std::uint64_t, std::shared_ptr<UpstreamRelay>> relays_;
    std::uint64_t next_relay_ = 0;
    std::deque<AnswerFrame> answers_;  // front is being written while writing_
    bool reading_ = false;
    bool writing_ = false;
    bool closed_ = false;
    boost::asio::steady_timer idle_timer_;
    Clock::time_point last_progress_;
};

}  // namespace nxcommd
