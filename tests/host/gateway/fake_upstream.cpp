#include "fake_upstream.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>

namespace gwtest {
namespace {

constexpr Millis kPollStep{20};

std::size_t content_length(const std::string& head)
{
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::stoul(lower.substr(at + 17));
}

// One request (head and Content-Length body), or nullopt when the peer closes
// or the server is stopping.
std::optional<std::string> read_request(Link& link, std::string& pending,
                                        const std::atomic<bool>& stopping)
{
    while (!stopping) {
        const auto head_end = pending.find("\r\n\r\n");
        if (head_end != std::string::npos) {
            const std::size_t total = head_end + 4 + content_length(pending.substr(0, head_end));
            if (pending.size() >= total) {
                std::string request = pending.substr(0, total);
                pending.erase(0, total);
                return request;
            }
        }
        if (!link.readable(kPollStep))
            continue;
        char chunk[16384];
        const auto got = link.receive(chunk, sizeof chunk);
        if (got <= 0)
            return std::nullopt;
        pending.append(chunk, static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

// Sleeps up to `span`, in steps, giving up early when stopping.
void pause(Millis span, const std::atomic<bool>& stopping)
{
    const auto until = std::chrono::steady_clock::now() + span;
    while (!stopping && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min(kPollStep, span));
}

// Keeps a connection open without answering until the peer or the test ends
// it; true when the peer did.
bool hold_until_closed(Link& link, const std::atomic<bool>& stopping)
{
    char scratch[4096];
    while (!stopping) {
        if (link.readable(kPollStep) && link.receive(scratch, sizeof scratch) <= 0)
            return true;
    }
    return false;
}

}  // namespace

FakeUpstream::FakeUpstream(Handler handler, const Identity* tls) : handler_(std::move(handler))
{
    if (tls)
        tls_ = make_server_tls(*tls);
    listener_ = listen_loopback(port_);
    acceptor_ = std::thread([this] { accept_loop(); });
}

FakeUpstream::~FakeUpstream()
{
    stopping_ = true;
    acceptor_.join();
    for (std::thread& worker : workers_)
        worker.join();
}

std::vector<std::string> FakeUpstream::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void FakeUpstream::record(const std::string& request)
{
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
}

void FakeUpstream::accept_loop()
{
    while (!stopping_) {
        pollfd watch{listener_.get(), POLLIN, 0};
        if (poll(&watch, 1, static_cast<int>(kPollStep.count())) <= 0)
            continue;
        Fd connection(accept(listener_.get(), nullptr, nullptr));
        if (connection.get() < 0)
            continue;
        ++connections_;
        workers_.emplace_back([this, fd = connection.release()] { serve(Fd(fd)); });
    }
}

void FakeUpstream::serve(Fd connection)
{
    {
        Link link(connection.get(), tls_.get());
        if (link.handshake_done()) {
            {
                std::lock_guard lock(mutex_);
                server_name_ = link.server_name();
            }
            converse(link);
        } else {
            ++failed_handshakes_;
        }
    }
    connection.reset();
    ++finished_;
}

std::string FakeUpstream::server_name() const
{
    std::lock_guard lock(mutex_);
    return server_name_;
}

void FakeUpstream::converse(Link& link)
{
    std::string pending;
    while (auto request = read_request(link, pending, stopping_)) {
        record(*request);
        const Reply reply = handler_(*request);
        if (reply.silent) {
            if (hold_until_closed(link, stopping_))
                ++abandoned_;
            return;
        }
        pause(reply.delay, stopping_);
        if (!link.send(reply.shared_bytes ? *reply.shared_bytes : reply.bytes) || reply.close_after)
            return;
    }
}

std::string ok_response(const std::string& body, const std::string& extra_headers)
{
    return "HTTP/1.1 200 OK\r\n" + extra_headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string request_path(const std::string& request)
{
    const auto start = request.find(' ') + 1;
    return request.substr(start, request.find(' ', start) - start);
}

}  // namespace gwtest
