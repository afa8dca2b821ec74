// What the gateway counts about itself, for operators to scrape. The gateway
// runs on one thread, so plain integers suffice. Counters only grow; the
// gauges (clients, in flight, pooled, buffered) are read from their owners
// when the text is rendered.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace nxcommd {

// Cumulative buckets in the Prometheus manner, for upstream exchange times.
class LatencyHistogram {
public:
    static constexpr std::array<double, 12> kBounds{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05,
                                                    0.1,   0.25,   0.5,   1,    2.5,   10};

    void observe(std::chrono::steady_clock::duration elapsed);
    // Prometheus text lines for `name` (buckets, sum, count), without HELP/TYPE.
    std::string render(const std::string& name) const;

private:
    std::array<std::uint64_t, kBounds.size()> counts_{};  // not cumulative; summed on render
    std::uint64_t count_ = 0;
    double sum_seconds_ = 0;
};

// How a frame was answered: relayed from its upstream, refused by the
// allow-list, stopped by a limit, or answered with another error page.
enum class Outcome { answered, refused, limit, error_page };

Outcome classify_answer(int status, bool from_upstream);

struct GatewayMetrics {
    std::uint64_t frames_received = 0;
    std::map<std::pair<Outcome, int>, std::uint64_t> frames_answered;  // by outcome and status
    std::uint64_t clients_accepted = 0;
    std::uint64_t clients_refused = 0;  // over --max-clients
    std::size_t requests_in_flight = 0;
    LatencyHistogram upstream_latency;

    void count_answer(int status, bool from_upstream);
};

// The values that belong to other parts of the gateway, taken at render time.
struct GaugeSnapshot {
    std::size_t clients = 0;
    std::size_t upstream_pooled = 0;
    std::size_t upstream_open = 0;
    std::size_t buffered_bytes = 0;
    std::size_t buffered_limit = 0;
    bool draining = false;
};

// The Prometheus text exposition (version 0.0.4) of everything above.
std::string render_metrics(const GatewayMetrics& metrics, const GaugeSnapshot& gauges);

}  // namespace nxcommd
