// Winsock before anything that brings in windows.h.
#include <winsock2.h>

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

constexpr size_t kMessageOffset = 16;
// The gateway is given a little longer than the caller waits, so that a slow
// server ends in the caller's own time-out reply rather than racing it with
// the gateway's 504 page.
constexpr long kGatewayGrace = 1000;  // the serialized buffer in a received message
constexpr int kMaxMessagesPerPass = 1024;
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

// The receive area is only ever read as far as a message was copied into it,
// so it is not cleared.
GatewayExchange::GatewayExchange() : receiveArea_(std::make_unique_for_overwrite<uint8_t[]>(kReceiveAreaSize)) {}

GatewayExchange::~GatewayExchange()
{
    ReleaseBuffer();
    CloseConnection();
}

bool GatewayExchange::EnsureBuffer()
{
    if (!buffer_) buffer_ = UBlockCreate();
    return buffer_ != nullptr;
}

void GatewayExchange::ReleaseBuffer()
{
    if (buffer_) UBlockRelease(buffer_);
    buffer_ = nullptr;
}

void GatewayExchange::CloseConnection()
{
    if (connection_) GatewayClose(connection_);
    connection_ = nullptr;
}

bool GatewayExchange::Append(const void* bytes, ULONG length)
{
    if (!EnsureBuffer()) return false;
    if (length > INT32_MAX) return false;
    return UBlockAppend(buffer_, static_cast<int>(length), bytes) == 0;
}

HRESULT GatewayExchange::CaptureHead()
{
    if (!EnsureBuffer()) return E_FAIL;
    storedHead_ = ReadWholeBuffer(buffer_);
    ReleaseBuffer();
    return S_OK;
}

HRESULT GatewayExchange::Send()
{
    if (!EnsureBuffer()) return E_FAIL;
    std::string payload = ReadWholeBuffer(buffer_);
    ReleaseBuffer();
    if (payload.empty() && storedHead_.empty()) return S_OK;
    payload.resize(http::RemoveToolkitPrefix(payload.data(), static_cast<uint32_t>(payload.size())));

    if (!EnsureBuffer()) return E_FAIL;
    if (!storedHead_.empty()) {
        trace::TraceEntry(trace::Direction::Out, "HTTP Header", storedHead_.data(), storedHead_.size());
        UBlockAppend(buffer_, static_cast<int>(storedHead_.size()), storedHead_.data());
        storedHead_.clear();
        if (!payload.empty()) {
            char line[128];
            const int length =
                std::snprintf(line, sizeof line, "Content-Length: %d\r\n", static_cast<int>(payload.size()));
            UBlockAppend(buffer_, length, line);
            trace::TraceEntry(trace::Direction::Out, "HTTP Content-Length", line, static_cast<size_t>(length));
        }
        UBlockAppend(buffer_, 2, "\r\n");
    }
    if (!payload.empty()) UBlockAppend(buffer_, static_cast<int>(payload.size()), payload.data());
    trace::TraceEntry(trace::Direction::Out, "HTTP Payload", payload.data(), payload.size());

    response_.Clear();
    CloseConnection();  // a request sent earlier and never waited for
    connection_ = GatewayOpen(NXAPI_OPEN_REQUEST_ANSWER);
    const long gatewayTimeout = timeout_ <= 0                         ? kGatewayGrace
                                : timeout_ > LONG_MAX - kGatewayGrace ? LONG_MAX
                                                                      : timeout_ + kGatewayGrace;
    requestId_ = connection_ ? GatewaySend(connection_, kServiceCode, NXAPI_REQUEST_ANSWER_MODE,
                                           static_cast<int>(gatewayTimeout), buffer_)
                             : 0;
    ReleaseBuffer();
    return S_OK;
}

void GatewayExchange::ReplyWithError(const std::string& text)
{
    const std::string reply = ErrorReply(text);
    response_.Load(reply.data(), static_cast<uint32_t>(reply.size()));
}

void GatewayExchange::AcceptAnswer(const uint8_t* message)
{
    NXUBLOCK answer = UBlockCreate();
    if (!answer) return;
    UBlockLoad(answer, message);
    const std::string text = ReadWholeBuffer(answer);
    UBlockRelease(answer);

    const bool htmlErrorPage = IsHtmlErrorPage(text);
    if (std::optional<std::string> failure = FailedAnswerText(text, htmlErrorPage))
        ReplyWithError(*failure);
    else if (htmlErrorPage)
        ReplyWithError(HtmlErrorText(text));
    else
        response_.Load(text.data(), static_cast<uint32_t>(text.size()));
}

// Takes every whole message that waits; true when the wait is over.
bool GatewayExchange::Drain()
{
    bool done = false;
    for (int i = 0; i < kMaxMessagesPerPass; ++i) {
        const int kind = GatewayReceive(connection_, receiveArea_.get(), kReceiveAreaSize);
        if (kind == 0) break;
        if (kind < 0) {
            ReplyWithError(GatewayErrorText(kind));
            return true;
        }
        int32_t answersRequest = 0;
        std::memcpy(&answersRequest, receiveArea_.get(), sizeof answersRequest);
        if (kind == kServiceCode && answersRequest == requestId_) {
            AcceptAnswer(receiveArea_.get() + kMessageOffset);
            done = true;
        }
        // Anything else answers someone else (or an earlier, abandoned request).
    }
    return done;
}

bool GatewayExchange::WaitPass(NXAPI_SOCKET socket, long remaining)
{
    fd_set readable, exceptional;
    FD_ZERO(&readable);
    FD_ZERO(&exceptional);
    FD_SET(socket, &readable);
    FD_SET(socket, &exceptional);
    timeval limit{remaining / 1000, (remaining % 1000) * 1000};
    const int ready = select(0, &readable, nullptr, &exceptional, &limit);
    if (ready == SOCKET_ERROR) {
        ReplyWithError(SocketExceptionText(requestId_));
        return true;
    }
    if (ready == 0) {
        ReplyWithError(TimeoutText(timeout_));
        return true;
    }
    bool done = FD_ISSET(socket, &readable) && Drain();
    if (FD_ISSET(socket, &exceptional)) {
        ReplyWithError(SocketExceptionText(requestId_));
        done = true;
    }
    return done;
}

void GatewayExchange::WaitForAnswer()
{
    const DWORD started = GetTickCount();
    for (bool done = false; !done;) {
        const NXAPI_SOCKET socket = connection_ ? GatewaySocket(connection_) : INVALID_SOCKET;
        if (socket == INVALID_SOCKET) {
            // Nothing was sent, or the request never left: nothing to wait for.
            ReplyWithError(SocketExceptionText(requestId_));
            break;
        }
        const long elapsed = static_cast<long>(GetTickCount() - started);  // wraps around correctly
        const long remaining = timeout_ - elapsed > 0 ? timeout_ - elapsed : 0;
        done = WaitPass(socket, remaining);
        if (!done && remaining == 0) {
            ReplyWithError(TimeoutText(timeout_));
            done = true;
        }
    }
    CloseConnection();
}

}  // namespace nvx::transport
