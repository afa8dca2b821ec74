#include "runtime/soaptk/connector/winhttp_session.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "base/http/header_text.h"
#include "base/common/text.h"
#include "base/http/url.h"
#include "runtime/soaptk/connector/exchange_failure.h"
#include "runtime/soaptk/stream/stream_io.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kUserAgent[] = L"SOAP Toolkit 1.0";
constexpr DWORD kReadChunk = 64 * 1024;

// What is left of the time an exchange may take.
class Deadline {
public:
    explicit Deadline(DWORD milliseconds) : end_(GetTickCount64() + milliseconds) {}
    DWORD Remaining() const
    {
        const ULONGLONG now = GetTickCount64();
        return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
    }

private:
    ULONGLONG end_;
};

// The failure of the last WinHTTP call; a socket time-out that WinHTTP hands
// on as it is counts as WinHTTP's own time-out.
HRESULT LastError()
{
    constexpr DWORD kSocketTimedOut = 10060;  // WSAETIMEDOUT
    DWORD error = GetLastError();
    if (error == kSocketTimedOut) error = ERROR_WINHTTP_TIMEOUT;
    return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

const HRESULT kTimedOut = HRESULT_FROM_WIN32(ERROR_WINHTTP_TIMEOUT);
const HRESULT kConnectionCut = HRESULT_FROM_WIN32(ERROR_WINHTTP_CONNECTION_ERROR);

struct Target : ExchangeTarget {
    std::wstring path;  // with the query
};

constexpr DWORD kUnauthorized = 401;

// The user information stays out of what WinHTTP is given: credentials go
// through its authentication, never in a request line.
HRESULT Crack(std::wstring_view urlWithCredentials, Target* target)
{
    const std::wstring url = WideFromUtf8(http::UrlWithoutCredentials(Utf8FromWide(urlWithCredentials)));
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (url.empty() || !http::IsRequestTargetText(std::wstring_view(url)) ||
        !WinHttpCrackUrl(url.data(), static_cast<DWORD>(url.size()), 0, &parts))
        return E_INVALIDARG;
    if ((parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0)
        return E_INVALIDARG;
    target->host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target->port = parts.nPort;
    target->path.assign(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    target->path.append(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
    if (target->path.empty()) target->path = L"/";
    target->secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return S_OK;
}

// An address needs no name resolution.
bool IsAddressLiteral(const std::wstring& host)
{
    return !host.empty() && (host.front() == L'[' || host.find_first_not_of(L"0123456789.") == std::wstring::npos);
}

// Bounds each blocking step (resolve, connect, send, receive) by the time
// left. Set once per request: under Wine every setting costs, and a resolve
// time-out makes WinHTTP resolve on a thread of its own, so an address, which
// needs no resolving, gets none.
HRESULT LimitWaits(HINTERNET request, const Target& target, const Deadline& deadline)
{
    DWORD remaining = deadline.Remaining();
    if (remaining == 0) return kTimedOut;
    const int timeout = static_cast<int>(std::min<DWORD>(remaining, INT_MAX));
    const int resolveTimeout = IsAddressLiteral(target.host) ? 0 : timeout;
    if (!WinHttpSetTimeouts(request, resolveTimeout, timeout, timeout, timeout)) return LastError();
    if (!WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &remaining, sizeof remaining))
        return LastError();
    return S_OK;
}

HRESULT SendOnce(HINTERNET request, const HttpRequest& message, const Target& target, const Deadline& deadline)
{
    HRESULT hr = LimitWaits(request, target, deadline);
    if (FAILED(hr)) return hr;
    const DWORD size = static_cast<DWORD>(message.body.size());
    void* body = const_cast<char*>(message.body.data());
    if (!WinHttpSendRequest(request, message.headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : message.headers.data(),
                            static_cast<DWORD>(message.headers.size()), size ? body : WINHTTP_NO_REQUEST_DATA, size,
                            size, 0))
        return LastError();
    return WinHttpReceiveResponse(request, nullptr) ? S_OK : LastError();
}

bool QueryNumber(HINTERNET request, DWORD query, DWORD* number)
{
    DWORD size = sizeof *number;
    return WinHttpQueryHeaders(request, query | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, number, &size,
                               WINHTTP_NO_HEADER_INDEX) != FALSE;
}

// Sends the request, and sends it again while a 401 asks for credentials in
// a scheme not offered yet; `restart` when that scheme needs a request that
// keeps its connection and this one does not.
HRESULT Send(HINTERNET request, const HttpRequest& message, const Target& target, const Deadline& deadline,
             CredentialOffer* offer, bool connectionKept, bool* restart)
{
    *restart = false;
    for (;;) {
        HRESULT hr = SendOnce(request, message, target, deadline);
        DWORD status = 0;
        if (FAILED(hr) || !offer || !QueryNumber(request, WINHTTP_QUERY_STATUS_CODE, &status) ||
            status != kUnauthorized)
            return hr;
        switch (offer->AnswerChallenge(request, connectionKept)) {
        case CredentialOffer::Answer::Offered: continue;
        case CredentialOffer::Answer::NeedsKeptConnection: *restart = true; return S_OK;
        case CredentialOffer::Answer::None: return S_OK;
        }
    }
}

std::wstring QueryText(HINTERNET request, DWORD query)
{
    DWORD size = 0;
    WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    text.resize(size / sizeof(wchar_t));
    return text;
}

// Reads the body to its end, as much as is there each round; the receive
// time-out bounds each round, the deadline and the size limit their number.
HRESULT ReadBody(HINTERNET request, const Deadline& deadline, std::vector<char>* body)
{
    for (;;) {
        if (deadline.Remaining() == 0) return kTimedOut;
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return LastError();
        if (available == 0) return S_OK;
        const DWORD chunk = std::min(available, kReadChunk);
        const size_t start = body->size();
        body->resize(start + chunk);
        DWORD read = 0;
        const BOOL ok = WinHttpReadData(request, body->data() + start, chunk, &read);
        body->resize(start + (ok ? std::min(read, chunk) : 0));
        if (!ok) return LastError();
        if (body->size() > kMaxMessageSize) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    }
}

HRESULT ReadAnswer(HINTERNET request, const Deadline& deadline, HttpAnswer* answer)
{
    if (!QueryNumber(request, WINHTTP_QUERY_STATUS_CODE, &answer->status)) return LastError();
    answer->statusText = QueryText(request, WINHTTP_QUERY_STATUS_TEXT);
    answer->contentType = QueryText(request, WINHTTP_QUERY_CONTENT_TYPE);
    answer->contentEncoding = QueryText(request, WINHTTP_QUERY_CONTENT_ENCODING);
    HRESULT hr = ReadBody(request, deadline, &answer->body);
    if (FAILED(hr)) return hr;
    // A server that closes before the announced length has cut the answer
    // short, which the read does not report by itself.
    DWORD announced = 0;
    if (QueryNumber(request, WINHTTP_QUERY_CONTENT_LENGTH, &announced) && answer->body.size() < announced)
        return kConnectionCut;
    return S_OK;
}

// A request handle whose connection is closed after the answer, unless it
// is to be kept: keep-alive costs a delayed-ACK stall per request (see
// WinHttpSession), and only connection-based authentication needs it.
HRESULT OpenRequest(HINTERNET connection, const Target& target, const HttpRequest& request, bool keepConnection,
                    WinHttpHandle* handle)
{
    const std::wstring method(request.method);
    handle->reset(WinHttpOpenRequest(connection, method.c_str(), target.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                     WINHTTP_DEFAULT_ACCEPT_TYPES, target.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!*handle) return LastError();
    DWORD feature = WINHTTP_DISABLE_KEEP_ALIVE;
    if (!keepConnection && !WinHttpSetOption(handle->get(), WINHTTP_OPTION_DISABLE_FEATURE, &feature, sizeof feature))
        return LastError();
    return S_OK;
}

HRESULT ExchangeOver(HINTERNET session, const Target& target, const HttpRequest& request, const Deadline& deadline,
                     HttpAnswer* answer)
{
    const WinHttpHandle connection(WinHttpConnect(session, target.host.c_str(), target.port, 0));
    if (!connection) return LastError();
    std::optional<CredentialOffer> offer;
    if (request.credentials) offer.emplace(*request.credentials);
    for (bool keepConnection = false;; keepConnection = true) {
        WinHttpHandle handle;
        HRESULT hr = OpenRequest(connection.get(), target, request, keepConnection, &handle);
        if (SUCCEEDED(hr) && offer && !keepConnection) hr = offer->OfferBasic(handle.get());
        bool restart = false;
        if (SUCCEEDED(hr))
            hr = Send(handle.get(), request, target, deadline, offer ? &*offer : nullptr, keepConnection, &restart);
        if (FAILED(hr)) return hr;
        if (!restart) return ReadAnswer(handle.get(), deadline, answer);
    }
}

}  // namespace

WinHttpSession::WinHttpSession(std::wstring proxy) : proxy_(std::move(proxy)) {}

HRESULT WinHttpSession::Open()
{
    if (session_) return S_OK;
    // Without a proxy of its own the connector goes direct, whatever proxy
    // the machine or the environment names.
    const DWORD access = proxy_.empty() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    session_.reset(WinHttpOpen(kUserAgent, access, proxy_.empty() ? WINHTTP_NO_PROXY_NAME : proxy_.c_str(),
                               WINHTTP_NO_PROXY_BYPASS, 0));
    return session_ ? S_OK : LastError();
}

HRESULT WinHttpSession::Exchange(const HttpRequest& request, HttpAnswer* answer)
{
    const Deadline deadline(request.timeoutMs);
    *answer = {};
    Target target;
    HRESULT hr = Crack(request.url, &target);
    if (SUCCEEDED(hr) && SUCCEEDED(hr = Open())) hr = ExchangeOver(session_.get(), target, request, deadline, answer);
    if (FAILED(hr)) {
        *answer = {};
        answer->failure = DescribeExchangeFailure(hr, target, request.timeoutMs, deadline.Remaining());
    }
    return hr;
}

}  // namespace nvx::soaptk
