#include "src/transport/gateway_exchange.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/http/toolkit_prefix.h"
#include "src/trace/trace_log.h"
#include "src/transport/error_reply.h"

namespace nvx::transport {
namespace {

constexpr size_t kMessageOffset = 16;  // the serialized buffer in a received message
// The gateway is given a little longer than the caller waits, so that a slow
// server ends in the caller's own time-out reply rather than racing it with
// the gateway's 504 page.
constexpr long kGatewayGrace = 1000;
constexpr int kMaxMessagesTakenAtOnce = 1024;
constexpr char kHtmlContentType[] = "Content-Type: text/html";
constexpr std::string_view kHeadingStart = "<h1>";
constexpr std::string_view kHeadingEnd = "</h1>";

// The status code of a response text: three digits at offset 9, or 0.
int StatusCode(std::string_view text)
{
    if (text.size() < 12) return 0;
    int status = 0;
    for (size_t i = 9; i < 12; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        status = status * 10 + (text[i] - '0');
    }
    return status;
}

// The heading's text with the entities an HTML page escapes its text with.
std::string DecodeBasicEntities(std::string_view html)
{
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string text;
    for (size_t at = 0; at < html.size();) {
        bool decoded = false;
        for (const auto& [entity, character] : kEntities) {
            if (html.substr(at, entity.size()) == entity) {
                text.push_back(character);
                at += entity.size();
                decoded = true;
                break;
            }
        }
        if (!decoded) text.push_back(html[at++]);
    }
    return text;
}

// The text of an HTML error page that stands in the answer's place.
std::string HtmlErrorText(std::string_view answer)
{
    const size_t start = answer.find(kHeadingStart);
    const size_t end = answer.find(kHeadingEnd);
    if (start == std::string_view::npos || end == std::string_view::npos || end < start + kHeadingStart.size())
        return kUnknownGatewayErrorText;
    const size_t textStart = start + kHeadingStart.size();
    return DecodeBasicEntities(answer.substr(textStart, end - textStart));
}

// Only the head says what the answer is; a body that quotes the header line
// is not an HTML page.
bool IsHtmlErrorPage(std::string_view answer)
{
    const std::string_view head = answer.substr(0, answer.find("\r\n\r\n"));
    return StatusCode(answer) != 200 && head.find(kHtmlContentType) != std::string_view::npos;
}

bool IsConnectionEnd(int code) { return code == NXAPI_E_CONNECTION_LOST || code == NXAPI_E_NOT_CONNECTED; }

// A lost connection is the socket's failure; other failures of the gateway
// library are named by their code. Both say what the library reported.
std::string GatewayFailureText(int code)
{
    return IsConnectionEnd(code) ? SocketExceptionText(code) : GatewayErrorText(code);
}

// The whole content of a gateway buffer, read piece by piece.
std::string ReadWholeBuffer(NXUBLOCK buffer)
{
    const int size = UBlockTotalSize(buffer);
    std::string bytes(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    UBlockRewind(buffer);
    size_t total = 0;
    while (total < bytes.size()) {
        int room = static_cast<int>(bytes.size() - total);
        if (UBlockRead(buffer, &room, bytes.data() + total) != 0 || room <= 0) break;
        total += static_cast<size_t>(room);
    }
    bytes.resize(total);
    return bytes;
}

}  // namespace

GatewayExchange::GatewayExchange() : receiveArea_(TakeReceiveArea()) {}

bool GatewayExchange::EnsureBuffer()
{
    if (!buffer_) buffer_.reset(UBlockCreate());
    return buffer_ != nullptr;
}

bool GatewayExchange::Append(const void* bytes, ULONG length)
{
    if (!EnsureBuffer()) return false;
    if (length > INT32_MAX) return false;
    return UBlockAppend(buffer_.get(), static_cast<int>(length), bytes) == 0;
}

HRESULT GatewayExchange::CaptureHead()
{
    if (!EnsureBuffer()) return E_FAIL;
    storedHead_ = ReadWholeBuffer(buffer_.get());
    buffer_.reset();
    return S_OK;
}

HRESULT GatewayExchange::Send()
{
    if (!EnsureBuffer()) return E_FAIL;
    std::string payload = ReadWholeBuffer(buffer_.get());
    buffer_.reset();
    if (payload.empty() && storedHead_.empty()) return S_OK;
    payload.resize(http::RemoveToolkitPrefix(payload.data(), static_cast<uint32_t>(payload.size())));

    if (!EnsureBuffer()) return E_FAIL;
    NXUBLOCK request = buffer_.get();
    if (!storedHead_.empty()) {
        trace::TraceEntry(trace::Direction::Out, "HTTP Header", storedHead_.data(), storedHead_.size());
        UBlockAppend(request, static_cast<int>(storedHead_.size()), storedHead_.data());
        storedHead_.clear();
        if (!payload.empty()) {
            char line[128];
            const int length =
                std::snprintf(line, sizeof line, "Content-Length: %d\r\n", static_cast<int>(payload.size()));
            UBlockAppend(request, length, line);
            trace::TraceEntry(trace::Direction::Out, "HTTP Content-Length", line, static_cast<size_t>(length));
        }
        UBlockAppend(request, 2, "\r\n");
    }
    if (!payload.empty()) UBlockAppend(request, static_cast<int>(payload.size()), payload.data());
    trace::TraceEntry(trace::Direction::Out, "HTTP Payload", payload.data(), payload.size());

    response_.Clear();
    connection_.reset(GatewayOpen(NXAPI_OPEN_REQUEST_ANSWER));  // ends a request sent earlier and never waited for
    const long gatewayTimeout = timeout_ <= 0                         ? kGatewayGrace
                                : timeout_ > LONG_MAX - kGatewayGrace ? LONG_MAX
                                                                      : timeout_ + kGatewayGrace;
    requestId_ = connection_ ? GatewaySend(connection_.get(), kServiceCode, NXAPI_REQUEST_ANSWER_MODE,
                                           static_cast<int>(gatewayTimeout), request)
                             : 0;
    buffer_.reset();
    return S_OK;
}

void GatewayExchange::ReplyWithError(const std::string& text)
{
    const std::string reply = ErrorReply(text);
    response_.Load(reply.data(), static_cast<uint32_t>(reply.size()));
}

bool GatewayExchange::IsAnswer(int kind) const
{
    int32_t answersRequest = 0;
    std::memcpy(&answersRequest, receiveArea_.get(), sizeof answersRequest);
    return kind == kServiceCode && answersRequest == requestId_;
}

void GatewayExchange::AcceptAnswer(const uint8_t* message)
{
    const UniqueBuffer answer(UBlockCreate());
    if (!answer) return;
    UBlockLoad(answer.get(), message);
    const std::string text = ReadWholeBuffer(answer.get());

    const bool htmlErrorPage = IsHtmlErrorPage(text);
    if (std::optional<std::string> failure = FailedAnswerText(text, htmlErrorPage))
        ReplyWithError(*failure);
    else if (htmlErrorPage)
        ReplyWithError(HtmlErrorText(text));
    else
        response_.Load(text.data(), static_cast<uint32_t>(text.size()));
}

long GatewayExchange::Remaining(DWORD started) const
{
    const long elapsed = static_cast<long>(GetTickCount() - started);  // wraps around correctly
    return timeout_ - elapsed > 0 ? timeout_ - elapsed : 0;
}

int GatewayExchange::ReceiveMessage(long timeout)
{
    if (!connection_) return NXAPI_E_NOT_CONNECTED;
    return GatewayReceiveWait(connection_.get(), receiveArea_.get(), kReceiveAreaSize, static_cast<int>(timeout));
}

// Waits for the answer, dropping messages for others (or for earlier,
// abandoned requests); then takes whatever else has already arrived, so that
// a broken frame that follows the answer is not missed. Once the time is up, or
// the answer is in, only messages that are there are taken, and a bounded
// number of them: a gateway that keeps sending cannot hold the caller.
void GatewayExchange::WaitForAnswer()
{
    if (requestId_ <= 0) {
        // Nothing was sent, or the request never left: nothing to wait for.
        ReplyWithError(SocketExceptionText(requestId_));
        connection_.reset();
        return;
    }
    const DWORD started = GetTickCount();
    bool settled = false;  // the response holds the answer or a failure
    for (int taken = 0; taken < kMaxMessagesTakenAtOnce;) {
        const long remaining = settled ? 0 : Remaining(started);
        if (remaining == 0) ++taken;
        const int kind = ReceiveMessage(remaining);
        if (kind < 0) {
            // A gateway may close the connection once it has answered (it
            // drains, or the connection was idle): the answer stands.
            if (!settled || !IsConnectionEnd(kind)) ReplyWithError(GatewayFailureText(kind));
            settled = true;
            break;
        }
        if (kind == 0) break;
        if (!settled && IsAnswer(kind)) {
            AcceptAnswer(receiveArea_.get() + kMessageOffset);
            settled = true;
        }
    }
    if (!settled) ReplyWithError(TimeoutText(timeout_));
    connection_.reset();
}

}  // namespace nvx::transport
