#include "gateway/src/metrics.h"

#include "gateway/src/error_page.h"

#include <sstream>

namespace nxcommd {
namespace {

const char* outcome_label(Outcome outcome)
{
    switch (outcome) {
    case Outcome::answered: return "answered";
    case Outcome::refused: return "refused";
    case Outcome::limit: return "limit";
    case Outcome::error_page: return "error_page";
    }
    return "error_page";
}

void describe(std::ostream& out, const std::string& name, const char* type, const char* help)
{
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
}

template <class Value>
void single(std::ostream& out, const std::string& name, const char* type, const char* help,
            Value value)
{
    describe(out, name, type, help);
    out << name << ' ' << value << '\n';
}

}  // namespace

void LatencyHistogram::observe(std::chrono::steady_clock::duration elapsed)
{
    const double seconds = std::chrono::duration<double>(elapsed).count();
    for (std::size_t i = 0; i < kBounds.size(); ++i)
        if (seconds <= kBounds[i]) {
            ++counts_[i];
            break;
        }
    ++count_;
    sum_seconds_ += seconds;
}

std::string LatencyHistogram::render(const std::string& name) const
{
    std::ostringstream out;
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        cumulative += counts_[i];
        out << name << "_bucket{le=\"" << kBounds[i] << "\"} " << cumulative << '\n';
    }
    out << name << "_bucket{le=\"+Inf\"} " << count_ << '\n'
        << name << "_sum " << sum_seconds_ << '\n'
        << name << "_count " << count_ << '\n';
    return out.str();
}

// 403 is only ever the allow-list's answer and 413 a size limit's; a
// response relayed from the upstream counts as answered whatever its status.
Outcome classify_answer(int status, bool from_upstream)
{
    if (from_upstream)
        return Outcome::answered;
    if (status == status::forbidden)
        return Outcome::refused;
    if (status == status::payload_too_large)
        return Outcome::limit;
    return Outcome::error_page;
}

void GatewayMetrics::count_answer(int status, bool from_upstream)
{
    ++frames_answered[{classify_answer(status, from_upstream), status}];
}

std::string render_metrics(const GatewayMetrics& metrics, const GaugeSnapshot& gauges)
{
    std::ostringstream out;
    single(out, "nxcommd_frames_received_total", "counter", "Request frames received from clients.",
           metrics.frames_received);
    describe(out, "nxcommd_frames_answered_total", "counter",
             "Answer frames sent, by outcome and HTTP status.");
    for (Outcome outcome :
         {Outcome::answered, Outcome::refused, Outcome::limit, Outcome::error_page}) {
        bool any = false;
        for (const auto& [key, count] : metrics.frames_answered)
            if (key.first == outcome) {
                any = true;
                out << "nxcommd_frames_answered_total{outcome=\"" << outcome_label(outcome)
                    << "\",status=\"" << key.second << "\"} " << count << '\n';
            }
        // Every outcome appears from the start, so that rates over it exist.
        if (!any && outcome == Outcome::answered)
            out << "nxcommd_frames_answered_total{outcome=\"answered\",status=\"200\"} 0\n";
    }
    single(out, "nxcommd_clients_accepted_total", "counter", "Client connections accepted.",
           metrics.clients_accepted);
    single(out, "nxcommd_clients_refused_total", "counter",
           "Client connections closed at once because --max-clients were connected.",
           metrics.clients_refused);
    single(out, "nxcommd_clients", "gauge", "Client connections open.", gauges.clients);
    single(out, "nxcommd_requests_in_flight", "gauge",
           "Requests being relayed to their upstream servers.", metrics.requests_in_flight);
    single(out, "nxcommd_upstream_connections_pooled", "gauge",
           "Idle kept-alive upstream connections.", gauges.upstream_pooled);
    single(out, "nxcommd_upstream_connections_open", "gauge",
           "Upstream connections open: pooled and in use.", gauges.upstream_open);
    single(out, "nxcommd_buffered_bytes", "gauge",
           "Request, response and answer bytes held for clients.", gauges.buffered_bytes);
    single(out, "nxcommd_buffered_limit_bytes", "gauge", "The --max-buffered-mb budget in bytes.",
           gauges.buffered_limit);
    single(out, "nxcommd_draining", "gauge", "1 while the gateway drains before it exits.",
           gauges.draining ? 1 : 0);
    describe(out, "nxcommd_upstream_exchange_seconds", "histogram",
             "Time from a frame's arrival to its upstream response or failure.");
    out << metrics.upstream_latency.render("nxcommd_upstream_exchange_seconds");
    return out.str();
}

}  // namespace nxcommd
