// Collects an upstream response as raw bytes and tells where it ends, using
// Beast's parser only for the HTTP framing rules (Content-Length, chunked,
// end of connection; no body for HEAD, 1xx, 204 and 304). The bytes are kept
// exactly as received. Interim 1xx responses (other than 101) are dropped, as
// the client expects one final response per request.
#pragma once

#include "gateway/src/error_page.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace nxcommd {

class ResponseBoundary {
public:
    enum class State { need_more, complete, failed };

    ResponseBoundary(bool head_request, std::size_t max_header_bytes, std::size_t max_bytes);
    ~ResponseBoundary();
    ResponseBoundary(const ResponseBoundary&) = delete;
    ResponseBoundary& operator=(const ResponseBoundary&) = delete;

    // Room for up to `n` more received bytes; confirm what arrived with commit().
    std::span<char> prepare(std::size_t n);
    State commit(std::size_t n);
    // The upstream closed its side: completes a response delimited by the close.
    State finish_at_eof();

    State state() const { return state_; }
    bool received_nothing() const { return filled_ == 0 && !interim_seen_; }
    std::size_t received() const { return filled_; }
    // Bytes of memory the response takes, received or made room for.
    std::size_t held() const { return buffer_.size(); }
    // After `complete`: the response, trimmed to where it ends.
    std::string take_response();
    int status_code() const { return status_code_; }
    // After `complete`: the connection can carry another request.
    bool reusable() const { return reusable_; }
    // After `failed`: what the upstream did wrong ("closed the connection
    // mid-response"); the caller puts the upstream's name in front.
    const Failure& failure() const { return failure_; }

private:
    class Parser;

    State advance();
    bool head_over_limit() const;
    State fail(int status, std::string reason);
    State complete();
    void restart_after_interim();
    void lift_body_limit();

    bool head_request_;
    std::size_t max_header_bytes_;
    std::size_t max_bytes_;
    std::unique_ptr<Parser> parser_;
    std::string buffer_;
    std::size_t filled_ = 0;
    std::size_t parsed_ = 0;
    bool interim_seen_ = false;
    State state_ = State::need_more;
    int status_code_ = 0;
    bool reusable_ = false;
    Failure failure_;
};

}  // namespace nxcommd
