// Where an upstream response ends, fed whole, split at every offset and byte
// by byte: the bytes kept must be exactly the response, nothing more or less.
#include "gateway/src/response_boundary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nxcommd::ResponseBoundary;
using State = ResponseBoundary::State;

constexpr std::size_t kHeaderLimit = 1024;
constexpr std::size_t kMaxBytes = 4096;

struct Fed {
    State state = State::need_more;
    std::string response;
    int status = 0;
    bool reusable = false;
    int failure_status = 0;
};

// Feeds `bytes` in pieces ending at `cuts`, then signals the end of the
// connection if `then_eof`.
Fed feed(const std::string& bytes, const std::vector<std::size_t>& cuts, bool then_eof,
         bool head = false, std::size_t max_bytes = kMaxBytes)
{
    ResponseBoundary boundary(head, kHeaderLimit, max_bytes);
    Fed fed;
    std::size_t from = 0;
    auto points = cuts;
    points.push_back(bytes.size());
    for (std::size_t to : points) {
        auto room = boundary.prepare(to - from);
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                  bytes.begin() + static_cast<std::ptrdiff_t>(to), room.begin());
        fed.state = boundary.commit(to - from);
        from = to;
        if (fed.state != State::need_more)
            break;  // the relay stops reading here too
    }
    if (then_eof && fed.state == State::need_more)
        fed.state = boundary.finish_at_eof();
    if (fed.state == State::complete) {
        fed.status = boundary.status_code();
        fed.reusable = boundary.reusable();
        fed.response = boundary.take_response();
    } else if (fed.state == State::failed) {
        fed.failure_status = boundary.failure().status;
    }
    return fed;
}

struct EndCase {
    const char* name;
    std::string bytes;     // as the upstream sends them
    std::string expected;  // the response the client gets
    bool needs_eof;        // only the close of the connection ends it
    bool head = false;
    bool reusable = true;  // when it arrives in one piece
};

using namespace std::string_literals;

const std::string kChunked =
    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n"
    "4;ext=1\r\n\x1f\x8b\0\x08\r\nA\r\n0123456789\r\n0\r\nX-Trailer: t\r\n\r\n"s;

std::vector<EndCase> end_cases()
{
    const std::string fixed = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    const std::string close = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<a>body</a>";
    return {
        {"Content-Length", fixed, fixed, false},
        {"chunked with extension and trailer", kChunked, kChunked, false},
        {"delimited by close", close, close, true, false, false},
        {"HTTP/1.0 without length", "HTTP/1.0 200 OK\r\n\r\nold", "HTTP/1.0 200 OK\r\n\r\nold",
         true, false, false},
        {"HEAD with a length but no body", "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n",
         "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n", false, true},
        {"204", "HTTP/1.1 204 No Content\r\n\r\n", "HTTP/1.1 204 No Content\r\n\r\n", false},
        {"304 with a length", "HTTP/1.1 304 Not Modified\r\nContent-Length: 9\r\n\r\n",
         "HTTP/1.1 304 Not Modified\r\nContent-Length: 9\r\n\r\n", false},
        {"interim 100 dropped", "HTTP/1.1 100 Continue\r\n\r\n" + fixed, fixed, false},
        {"Connection: close", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1\r\n\r\nx",
         "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1\r\n\r\nx", false, false, false},
        {"bytes beyond the end", fixed + "junk", fixed, false, false, false},
    };
}

TEST(ResponseBoundary, KeepsExactlyTheResponseHoweverItArrives)
{
    for (const auto& c : end_cases()) {
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            const Fed fed = feed(c.bytes, {cut}, c.needs_eof, c.head);
            ASSERT_EQ(fed.state, State::complete) << c.name << ", split at " << cut;
            EXPECT_EQ(fed.response, c.expected) << c.name << ", split at " << cut;
        }
        EXPECT_EQ(feed(c.bytes, {}, c.needs_eof, c.head).reusable, c.reusable) << c.name;
        std::vector<std::size_t> every_byte;
        for (std::size_t i = 1; i < c.bytes.size(); ++i)
            every_byte.push_back(i);
        EXPECT_EQ(feed(c.bytes, every_byte, c.needs_eof, c.head).response, c.expected) << c.name;
    }
}

TEST(ResponseBoundary, IsNotCompleteBeforeItsEnd)
{
    for (const auto& c : end_cases()) {
        if (c.needs_eof)
            continue;
        const std::size_t end = c.bytes.find(c.expected) + c.expected.size();
        for (std::size_t cut = 0; cut < end; ++cut)
            EXPECT_EQ(feed(c.bytes.substr(0, cut), {}, false, c.head).state, State::need_more)
                << c.name << ", first " << cut << " bytes";
    }
}

TEST(ResponseBoundary, ReportsTheStatusCode)
{
    EXPECT_EQ(
        feed("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", {}, false).status,
        500);
}

struct FailureCase {
    const char* name;
    std::string bytes;
    bool then_eof;
    int status;
};

TEST(ResponseBoundary, FailsOnBrokenOrOversizedResponses)
{
    const std::vector<FailureCase> cases{
        {"closed before anything", "", true, 502},
        {"closed inside the head", "HTTP/1.1 200 OK\r\nContent-Le", true, 502},
        {"closed inside a sized body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", true,
         502},
        {"closed inside a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab",
         true, 502},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", false, 502},
        {"status below 100", "HTTP/1.1 099 Odd\r\nContent-Length: 0\r\n\r\n", false, 502},
        {"status above 599", "HTTP/1.1 600 Odd\r\nContent-Length: 0\r\n\r\n", false, 502},
        {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false,
         502},
        {"head over the limit", "HTTP/1.1 200 OK\r\nX: " + std::string(kHeaderLimit, 'a'), false,
         413},
        {"body over the limit",
         "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n" + std::string(5000, 'b'), false, 413},
        {"close-delimited over the limit", "HTTP/1.1 200 OK\r\n\r\n" + std::string(5000, 'c'), true,
         413},
    };
    for (const auto& c : cases) {
        const Fed fed = feed(c.bytes, {}, c.then_eof);
        EXPECT_EQ(fed.state, State::failed) << c.name;
        EXPECT_EQ(fed.failure_status, c.status) << c.name;
    }
}

TEST(ResponseBoundary, AcceptsAResponseOfExactlyTheLimit)
{
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n";
    const std::string whole = head + std::string(100, 'x');
    EXPECT_EQ(feed(whole, {}, false, false, whole.size()).state, State::complete);
    EXPECT_EQ(feed(whole, {}, false, false, whole.size() - 1).state, State::failed);
}

}  // namespace
