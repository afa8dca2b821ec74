#include "gateway/src/response_boundary.h"

#include <boost/beast/http/error.hpp>

#include <limits>
#include <string_view>

#include "gateway/src/counting_parser.h"

namespace nxcommd {
namespace {

namespace http = boost::beast::http;
using boost::beast::error_code;
using boost::beast::string_view;

constexpr int kSwitchingProtocols = 101;

bool is_interim(int code)
{
    return code >= 100 && code < 200 && code != kSwitchingProtocols;
}

}  // namespace

// Only the status code is kept. The parser takes any three digits; codes
// outside 100-599 are not HTTP's (RFC 9110, 15) and are refused.
class ResponseBoundary::Parser final : public CountingParser<false> {
public:
    int code = 0;

private:
    void on_response_impl(int status, string_view, int, error_code& ec) override
    {
        code = status;
        if (status < 100 || status > 599)
            ec = http::error::bad_status;
    }
};

ResponseBoundary::ResponseBoundary(bool head_request, std::size_t max_header_bytes,
                                   std::size_t max_bytes)
    : head_request_(head_request), max_header_bytes_(max_header_bytes), max_bytes_(max_bytes)
{
    restart_after_interim();
}

ResponseBoundary::~ResponseBoundary() = default;

void ResponseBoundary::restart_after_interim()
{
    parser_ = std::make_unique<Parser>();
    parser_->eager(true);
    parser_->skip(head_request_);
    parser_->header_limit(static_cast<std::uint32_t>(max_header_bytes_));
}

// The total is checked against max_bytes_ instead. (Beast 1.74 treats
// boost::none here as "no body allowed" for sized bodies.) Beast charges a
// chunk's size against the limit each time it reads that chunk's header, also
// when the header turns out unfinished and is read again with more bytes, so
// the limit is lifted again before every read: otherwise a large chunk whose
// header comes in pieces would be refused where the same bytes in one piece
// are not.
void ResponseBoundary::lift_body_limit()
{
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
}

std::span<char> ResponseBoundary::prepare(std::size_t n)
{
    if (buffer_.size() < filled_ + n)
        buffer_.resize(filled_ + n);
    return {buffer_.data() + filled_, n};
}

ResponseBoundary::State ResponseBoundary::commit(std::size_t n)
{
    if (state_ != State::need_more)
        return state_;
    filled_ += n;
    return advance();
}

ResponseBoundary::State ResponseBoundary::advance()
{
    while (parsed_ < filled_) {
        error_code ec;
        const bool header_was_done = parser_->is_header_done();
        lift_body_limit();
        const std::size_t used = parser_->put(
            boost::asio::const_buffer(buffer_.data() + parsed_, filled_ - parsed_), ec);
        parsed_ += used;
        const bool head_too_large =
            !header_was_done && parser_->is_header_done() && head_over_limit();
        if (ec == http::error::header_limit || head_too_large)
            return fail(status::payload_too_large, "sent a response head over " +
                                                       std::to_string(max_header_bytes_) +
                                                       " bytes");
        if (ec && ec != http::error::need_more)
            return fail(status::bad_gateway, "sent a malformed response (" + ec.message() + ")");
        if (parser_->is_done() && is_interim(parser_->code)) {
            buffer_.erase(0, parsed_);
            filled_ -= parsed_;
            parsed_ = 0;
            interim_seen_ = true;
            restart_after_interim();
            continue;
        }
        if (parser_->is_done())
            return complete();
        if (ec == http::error::need_more || used == 0)
            break;
    }

    // A head not ended within the limit's bytes can only end beyond it.
    if (!parser_->is_header_done() && filled_ >= max_header_bytes_)
        return fail(status::payload_too_large,
                    "sent a response head over " + std::to_string(max_header_bytes_) + " bytes");
    if (filled_ > max_bytes_)
        return fail(status::payload_too_large,
                    "sent a response over " + std::to_string(max_bytes_) + " bytes");
    return state_;
}

// The parser does not hold a head to its limit across calls that each take a
// part of it, nor a whole head that comes in one call; a head over the limit
// is refused however its bytes arrived (the unfinished case in advance()).
// The buffer starts with the message (an interim response is dropped from it).
bool ResponseBoundary::head_over_limit() const
{
    const std::string_view message(buffer_.data(), filled_);
    const std::size_t end = message.find("\r\n\r\n");
    return end != std::string_view::npos && end + 4 > max_header_bytes_;
}

ResponseBoundary::State ResponseBoundary::finish_at_eof()
{
    if (state_ != State::need_more)
        return state_;
    if (!parser_->is_header_done())
        return fail(status::bad_gateway, filled_ == 0 ? "closed the connection without a response"
                                                      : "closed the connection mid-response");
    error_code ec;
    parser_->put_eof(ec);
    if (ec || !parser_->is_done())
        return fail(status::bad_gateway, "closed the connection mid-response");
    return complete();
}

ResponseBoundary::State ResponseBoundary::complete()
{
    if (parsed_ > max_bytes_)
        return fail(status::payload_too_large,
                    "sent a response over " + std::to_string(max_bytes_) + " bytes");
    status_code_ = parser_->code;
    // Bytes beyond the response mean the server and we disagree about framing;
    // such a connection is not trusted with another request.
    reusable_ = parser_->keep_alive() && !parser_->need_eof() && parsed_ == filled_;
    buffer_.resize(parsed_);
    filled_ = parsed_;
    state_ = State::complete;
    return state_;
}

ResponseBoundary::State ResponseBoundary::fail(int status, std::string reason)
{
    failure_ = Failure{status, std::move(reason)};
    state_ = State::failed;
    return state_;
}

std::string ResponseBoundary::take_response()
{
    buffer_.resize(filled_);
    return std::move(buffer_);
}

}  // namespace nxcommd
