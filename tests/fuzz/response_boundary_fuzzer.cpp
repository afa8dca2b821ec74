// Where an upstream response ends, on arbitrary received bytes: the outcome
// does not depend on how the bytes arrive, and a complete response is made of
// received bytes only, within the limits.
#include "gateway/src/response_boundary.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"

namespace {

using nxcommd::ResponseBoundary;
using State = ResponseBoundary::State;

constexpr std::size_t kHeaderLimit = 1024;
constexpr std::size_t kMaxBytes = 16384;

struct Outcome {
    State state;
    std::string response;
    int status;
    bool reusable;
    int failure;

    // Whether the connection is reused depends on whether bytes beyond the
    // response came in the same read: in pieces, they are left unread (and
    // the pool's check before reuse finds them). A head both malformed and
    // over the limit is refused either way: as malformed when it comes whole,
    // as too large when it comes in pieces and reaches the limit first.
    friend bool operator==(const Outcome& a, const Outcome& b)
    {
        const bool same_refusal =
            a.failure == b.failure || (a.state == State::failed && (a.failure == 413 || b.failure == 413));
        return a.state == b.state && a.response == b.response && a.status == b.status && same_refusal;
    }
};

Outcome feed(std::string_view bytes, std::size_t step, bool head, bool then_eof)
{
    ResponseBoundary boundary(head, kHeaderLimit, kMaxBytes);
    State state = State::need_more;
    for (std::size_t at = 0; at < bytes.size() && state == State::need_more; at += step) {
        const std::string_view piece = bytes.substr(at, step);
        const auto room = boundary.prepare(piece.size());
        FUZZ_CHECK(room.size() == piece.size());
        std::copy(piece.begin(), piece.end(), room.begin());
        state = boundary.commit(piece.size());
        FUZZ_CHECK(boundary.received() <= at + piece.size());
    }
    if (then_eof && state == State::need_more) state = boundary.finish_at_eof();
    Outcome outcome{state, {}, 0, false, 0};
    if (state == State::complete) {
        outcome.status = boundary.status_code();
        outcome.reusable = boundary.reusable();
        outcome.response = boundary.take_response();
    } else if (state == State::failed) {
        outcome.failure = boundary.failure().status;
        FUZZ_CHECK(outcome.failure == 413 || outcome.failure == 502);
    }
    return outcome;
}

}  // namespace

// The first byte chooses HEAD, the end of the connection and the step.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const bool head = data[0] & 1;
    const bool then_eof = data[0] & 2;
    const std::size_t step = 1 + (data[0] >> 2);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    const Outcome whole = feed(bytes, bytes.size() + 1, head, then_eof);
    const Outcome split = feed(bytes, step, head, then_eof);
    // A head that can never end may be refused at once when it comes whole,
    // and only at the end of the connection when it comes in pieces.
    if (split.state == State::need_more)
        FUZZ_CHECK(whole.state != State::complete);
    else
        FUZZ_CHECK(split == whole && (split.reusable || !whole.reusable));
    if (whole.state == State::complete) {
        FUZZ_CHECK(whole.response.size() <= kMaxBytes);
        FUZZ_CHECK(bytes.find(whole.response) != std::string_view::npos);
        FUZZ_CHECK(whole.status >= 100 && whole.status <= 599);
    }
    return 0;
}
