// gateway_bench: what the gateway costs. The same canned server is loaded at
// 1, 16 and 256 concurrent clients, once directly over kept-alive HTTP and
// once through nxcommd (one persistent framed connection per client, one
// request in flight each, as the client library does), in the same run.
// Prints requests/s and latency percentiles, and the gateway's ratio and
// added median latency. With --versus-balancer it compares, instead, one
// gateway reached directly with a balancer in front of several (both already
// running, started by bench/run-fleet-bench) at 16 clients.
#include <nxcomm/frame.h>
#include <server_process.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using error_code = boost::system::error_code;
using Clock = std::chrono::steady_clock;

const std::string kBody =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
    "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
    "<Add xmlns=\"http://example.org/calculator\"><a>2</a><b>3</b></Add>"
    "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

std::string request_head(std::uint16_t port)
{
    return "POST /calculator HTTP/1.1\r\nConnection: Keep-Alive\r\n"
           "Content-Type: text/xml; charset=\"UTF-8\"\r\nHost: 127.0.0.1:" +
           std::to_string(port) +
           "\r\nSOAPAction: \"http://example.org/calculator/Add\"\r\nTimeout: 30000\r\n"
           "User-Agent: gateway_bench\r\n";
}

std::string content_length_line()
{
    return "Content-Length: " + std::to_string(kBody.size()) + "\r\n";
}

// How one path frames its exchange: the bytes of a request, and the length
// of the complete reply at the start of `received` once it is all there.
struct Path {
    const char* name;
    std::uint16_t port;
    std::string request;
    std::function<std::optional<std::size_t>(std::string_view received)> reply_length;
};

std::optional<std::size_t> http_reply_length(std::string_view received)
{
    const auto head_end = received.find("\r\n\r\n");
    const auto field = received.find("Content-Length: ");
    if (head_end == std::string_view::npos || field == std::string_view::npos)
        return std::nullopt;
    std::size_t length = 0;
    const char* first = received.data() + field + 16;
    std::from_chars(first, received.data() + head_end, length);
    return head_end + 4 + length;
}

std::optional<std::size_t> frame_reply_length(std::string_view received)
{
    if (received.size() < nxcomm::kHeaderSize)
        return std::nullopt;
    const auto header = nxcomm::decode_header(std::span<const std::uint8_t, nxcomm::kHeaderSize>(
        reinterpret_cast<const std::uint8_t*>(received.data()), nxcomm::kHeaderSize));
    return nxcomm::kHeaderSize + header.payload_length;
}

Path direct_path(std::uint16_t canned_port)
{
    return {"direct", canned_port,
            request_head(canned_port) + content_length_line() + "\r\n" + kBody, http_reply_length};
}

Path gateway_path(std::uint16_t gateway_port, std::uint16_t canned_port)
{
    const std::string head = request_head(canned_port);
    const std::string length_line = content_length_line();
    const auto bytes = [](const std::string& text) {
        return nxcomm::Bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    const std::string blank = "\r\n";
    const std::vector<nxcomm::Bytes> pieces{bytes(head), bytes(length_line), bytes(blank),
                                            bytes(kBody)};
    const auto frame = nxcomm::encode_frame(
        {1, nxcomm::kHttpRelayService, nxcomm::kRequestAnswerMode, 30000, 0}, pieces);
    return {"gateway", gateway_port, std::string(frame.begin(), frame.end()), frame_reply_length};
}

struct Tally {
    Clock::time_point measure_from;
    Clock::time_point stop_at;
    std::vector<double> latencies_ms;
    std::size_t failures = 0;
};

// One client: send, wait for the whole reply, repeat until the run ends.
class LoadClient : public std::enable_shared_from_this<LoadClient> {
public:
    LoadClient(asio::io_context& io, const Path& path, Tally& tally)
        : socket_(io), path_(path), tally_(tally)
    {
    }

    void start()
    {
        socket_.async_connect(tcp::endpoint(asio::ip::make_address_v4("127.0.0.1"), path_.port),
                              [self = shared_from_this()](error_code ec) {
                                  if (ec)
                                      return self->fail();
                                  self->socket_.set_option(tcp::no_delay(true));
                                  self->send();
                              });
    }

private:
    void send()
    {
        if (Clock::now() >= tally_.stop_at)
            return;
        sent_at_ = Clock::now();
        received_.clear();
        asio::async_write(socket_, asio::buffer(path_.request),
                          [self = shared_from_this()](error_code ec, std::size_t) {
                              if (ec)
                                  return self->fail();
                              self->receive();
                          });
    }

    void receive()
    {
        socket_.async_read_some(asio::buffer(chunk_),
                                [self = shared_from_this()](error_code ec, std::size_t n) {
                                    if (ec)
                                        return self->fail();
                                    self->received_.append(self->chunk_.data(), n);
                                    const auto whole = self->path_.reply_length(self->received_);
                                    if (!whole || self->received_.size() < *whole)
                                        return self->receive();
                                    self->record();
                                    self->send();
                                });
    }

    void record()
    {
        const auto now = Clock::now();
        if (received_.find("200 OK") == std::string::npos)
            ++tally_.failures;
        else if (sent_at_ >= tally_.measure_from)
            tally_.latencies_ms.push_back(
                std::chrono::duration<double, std::milli>(now - sent_at_).count());
    }

    void fail() { ++tally_.failures; }

    tcp::socket socket_;
    const Path& path_;
    Tally& tally_;
    std::array<char, 16384> chunk_{};
    std::string received_;
    Clock::time_point sent_at_;
};

struct Result {
    double per_second = 0;
    double p50 = 0, p90 = 0, p99 = 0;
    std::size_t failures = 0;
};

double percentile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty())
        return 0;
    const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1));
    return sorted[at];
}

Result run_load(const Path& path, int clients, std::chrono::milliseconds warmup,
                std::chrono::milliseconds measure)
{
    asio::io_context io(1);
    Tally tally;
    tally.measure_from = Clock::now() + warmup;
    tally.stop_at = tally.measure_from + measure;
    for (int i = 0; i < clients; ++i)
        std::make_shared<LoadClient>(io, path, tally)->start();
    io.run();  // ends when every client has stopped sending
    std::sort(tally.latencies_ms.begin(), tally.latencies_ms.end());
    Result result;
    result.per_second = static_cast<double>(tally.latencies_ms.size()) /
                        std::chrono::duration<double>(measure).count();
    result.p50 = percentile(tally.latencies_ms, 0.50);
    result.p90 = percentile(tally.latencies_ms, 0.90);
    result.p99 = percentile(tally.latencies_ms, 0.99);
    result.failures = tally.failures;
    return result;
}

void print_row(int clients, const char* name, const Result& r)
{
    std::printf("%7d  %-8s %10.0f %9.3f %9.3f %9.3f %8zu\n", clients, name, r.per_second, r.p50,
                r.p90, r.p99, r.failures);
}

// The number after `flag` on the command line, if given.
std::optional<double> number_after(int argc, char* argv[], std::string_view flag, int offset = 1)
{
    for (int i = 1; i + offset < argc; ++i)
        if (std::string_view(argv[i]) == flag)
            return std::stod(argv[i + offset]);
    return std::nullopt;
}

std::chrono::milliseconds measure_time(int argc, char* argv[])
{
    const double seconds = number_after(argc, argv, "--seconds").value_or(3);
    return std::chrono::milliseconds(static_cast<long>(seconds * 1000));
}

void print_header()
{
    std::printf("%7s  %-8s %10s %9s %9s %9s %8s\n", "clients", "path", "req/s", "p50 ms", "p90 ms",
                "p99 ms", "failures");
}

// --versus-balancer GATEWAY FRONT CANNED: the same framed load at 16 clients
// on one gateway and on the balancer's front port, in alternating rounds,
// each ratio taken within a round, so that a burst of other work on the
// machine weighs on both sides alike; the median round is reported.
int compare_with_balancer(std::uint16_t gateway, std::uint16_t front, std::uint16_t canned,
                          std::chrono::milliseconds measure)
{
    constexpr int kClients = 16;
    constexpr int kRounds = 3;
    const Path one = gateway_path(gateway, canned);
    Path fleet = gateway_path(front, canned);
    fleet.name = "balancer";
    print_header();
    std::vector<double> ratios, added_ms;
    std::size_t failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        const Result o = run_load(one, kClients, std::chrono::milliseconds(500), measure);
        print_row(kClients, one.name, o);
        const Result f = run_load(fleet, kClients, std::chrono::milliseconds(500), measure);
        print_row(kClients, fleet.name, f);
        ratios.push_back(o.per_second > 0 ? f.per_second / o.per_second : 0);
        added_ms.push_back(f.p50 - o.p50);
        failures += o.failures + f.failures;
    }
    std::sort(ratios.begin(), ratios.end());
    std::sort(added_ms.begin(), added_ms.end());
    std::printf("\n%d clients: balancer + gateways / one gateway requests/s = %.2f, balancer's "
                "added median latency = %.3f ms (median of %d rounds)\n",
                kClients, ratios[kRounds / 2], added_ms[kRounds / 2], kRounds);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    const auto measure = measure_time(argc, argv);
    const auto warmup = std::chrono::milliseconds(500);
    if (const auto gateway = number_after(argc, argv, "--versus-balancer")) {
        const auto front = number_after(argc, argv, "--versus-balancer", 2);
        const auto canned = number_after(argc, argv, "--versus-balancer", 3);
        if (!front || !canned) {
            std::cerr << "usage: gateway_bench --versus-balancer GATEWAY FRONT CANNED\n";
            return 2;
        }
        return compare_with_balancer(static_cast<std::uint16_t>(*gateway),
                                     static_cast<std::uint16_t>(*front),
                                     static_cast<std::uint16_t>(*canned), measure);
    }
    try {
        nvx::ServerProcess canned(CANNED_SERVER_PATH, {"--listen", "127.0.0.1:0", "--response-file",
                                                       CANNED_RESPONSE_FILE});
        nvx::ServerProcess gateway(NXCOMMD_PATH,
                                   {"--listen", "127.0.0.1:0", "--allow", "127.0.0.1"},
                                   nvx::ServerProcess::Stderr::discard);
        const Path direct = direct_path(canned.port());
        const Path through = gateway_path(gateway.port(), canned.port());

        std::printf("each run: %.1f s after %.1f s warm-up\n\n",
                    std::chrono::duration<double>(measure).count(),
                    std::chrono::duration<double>(warmup).count());
        print_header();
        std::vector<std::string> summary;
        for (int clients : {1, 16, 256}) {
            const Result d = run_load(direct, clients, warmup, measure);
            print_row(clients, direct.name, d);
            const Result g = run_load(through, clients, warmup, measure);
            print_row(clients, through.name, g);
            char line[160];
            std::snprintf(line, sizeof line,
                          "%4d clients: gateway/direct requests/s = %.2f, added median latency "
                          "= %.3f ms",
                          clients, d.per_second > 0 ? g.per_second / d.per_second : 0.0,
                          g.p50 - d.p50);
            summary.emplace_back(line);
        }
        std::printf("\n");
        for (const auto& line : summary)
            std::printf("%s\n", line.c_str());
    } catch (const std::exception& e) {
        std::cerr << "gateway_bench: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
