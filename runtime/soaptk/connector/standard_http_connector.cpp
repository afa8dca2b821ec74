#include "runtime/soaptk/connector/standard_http_connector.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/comframe/module.h"
#include "base/common/apartment_local.h"
#include "base/common/bstr.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/http/answer_status.h"
#include "base/http/url.h"
#include "base/toolkit/connector_property_names.h"
#include "runtime/soaptk/connector/content_decoding.h"
#include "runtime/soaptk/connector/exchange_failure.h"
#include "runtime/soaptk/stream/stream_io.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kContentTypeHeader[] = L"Content-Type: ";
// SOAP 1.1's media type: only its requests name their action in SOAPAction.
constexpr std::wstring_view kSoap11MediaType = L"text/xml";
constexpr wchar_t kSoapActionHeader[] = L"SOAPAction: ";
constexpr wchar_t kAcceptEncodingHeader[] = L"Accept-Encoding: ";
constexpr wchar_t kCrLf[] = L"\r\n";
constexpr wchar_t kPost[] = L"POST";

HRESULT NewMemoryStream(ComPtr<IStream>* stream)
{
    return CreateStreamOnHGlobal(nullptr, TRUE, stream->ReleaseAndGetAddressOf());
}

// A stream holding `bytes`, positioned at their start.
HRESULT MemoryStreamWith(const std::vector<char>& bytes, ComPtr<IStream>* stream)
{
    ComPtr<IStream> created;
    HRESULT hr = NewMemoryStream(&created);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = WriteAll(created.Get(), std::string_view(bytes.data(), bytes.size())))) return hr;
    if (FAILED(hr = created->Seek({}, STREAM_SEEK_SET, nullptr))) return hr;
    *stream = std::move(created);
    return S_OK;
}

// The whole request, wherever the writer left the stream's position.
HRESULT RequestBody(IStream* input, std::vector<char>* body)
{
    const HRESULT hr = input->Seek({}, STREAM_SEEK_SET, nullptr);
    return FAILED(hr) ? hr : ReadToEnd(input, kMaxMessageSize, body);
}

// SOAP 1.1 wants the action quoted; an action given with its quotes keeps them.
std::wstring QuotedAction(const std::wstring& action)
{
    if (action.size() >= 2 && action.front() == L'"' && action.back() == L'"') return action;
    return L"\"" + action + L"\"";
}

HRESULT SetTextProperty(ConnectorProperties& properties, const wchar_t* name, BSTR text)
{
    Variant value;
    value->vt = VT_BSTR;
    value->bstrVal = Bstr::CopyOf(text).Detach();
    return properties.Set(name, *value);
}

// The sessions of one thread, shared by its connectors while COM is
// initialised on it: a caller makes a connector for every call, and opening a
// WinHTTP session each time costs more than the rest of a loopback exchange.
// They are closed through code of this library, which therefore stays loaded
// while a thread keeps some.
struct ThreadSessions {
    ThreadSessions() { com::Module::Lock(); }
    ~ThreadSessions() { com::Module::Unlock(); }
    ThreadSessions(const ThreadSessions&) = delete;
    ThreadSessions& operator=(const ThreadSessions&) = delete;

    std::map<std::wstring, WinHttpSession> byProxy;
};

ApartmentLocal<ThreadSessions> g_threadSessions;

// The thread's session for `proxy`; null when the thread cannot keep one.
WinHttpSession* ThreadSession(const std::wstring& proxy)
{
    ThreadSessions* sessions = g_threadSessions.Get();
    return sessions ? &sessions->byProxy.try_emplace(proxy, proxy).first->second : nullptr;
}

}  // namespace

std::span<const com::InterfaceEntry<StandardHttpConnector>> StandardHttpConnector::Interfaces()
{
    static const com::InterfaceEntry<StandardHttpConnector> table[] = {
        {&IID_ISoapConnector, &com::ViewAs<StandardHttpConnector, ISoapConnector>},
        {&IID_IDispatch, &com::ViewAs<StandardHttpConnector, ISoapConnector>},
        {&IID_ISupportErrorInfo, &com::ViewAs<StandardHttpConnector, ISupportErrorInfo>},
    };
    return table;
}

HRESULT StandardHttpConnector::StartMessage()
{
    ComPtr<IStream> input;
    ComPtr<IStream> output;
    HRESULT hr = NewMemoryStream(&input);
    if (FAILED(hr) || FAILED(hr = NewMemoryStream(&output))) return hr;
    input_ = std::move(input);
    output_ = std::move(output);
    return S_OK;
}

std::wstring StandardHttpConnector::RequestHeaders() const
{
    std::wstring headers;
    if (properties_.RequestMethod() == kPost) {
        headers += kContentTypeHeader + properties_.ContentType() + kCrLf;
        if (properties_.ContentType().starts_with(kSoap11MediaType))
            headers += kSoapActionHeader + QuotedAction(properties_.SoapAction()) + kCrLf;
    }
    if (!properties_.AcceptEncoding().empty()) headers += kAcceptEncodingHeader + properties_.AcceptEncoding() + kCrLf;
    return headers;
}

// The endpoint URL's user information, else the AuthUser and AuthPassword
// properties; none when neither names a user.
std::optional<Credentials> StandardHttpConnector::RequestCredentials() const
{
    if (const std::optional<http::UrlCredentials> fromUrl =
            http::CredentialsFromUrl(Utf8FromWide(properties_.EndPointUrl())))
        return Credentials{WideFromUtf8(fromUrl->user), WideFromUtf8(fromUrl->password)};
    if (properties_.AuthUser().empty()) return std::nullopt;
    return Credentials{properties_.AuthUser(), properties_.AuthPassword()};
}

HRESULT StandardHttpConnector::Exchange(std::string_view body, HttpAnswer* answer)
{
    const std::wstring headers = RequestHeaders();
    const std::optional<Credentials> credentials = RequestCredentials();
    const HttpRequest request{properties_.EndPointUrl(),
                              properties_.RequestMethod(),
                              headers,
                              properties_.RequestMethod() == kPost ? body : std::string_view(),
                              properties_.TimeoutMs(),
                              credentials ? &*credentials : nullptr};
    const std::wstring proxy = properties_.Proxy();
    std::optional<WinHttpSession> ownSession;
    WinHttpSession* session = ThreadSession(proxy);
    if (!session) session = &ownSession.emplace(proxy);
    HRESULT hr = session->Exchange(request, answer);
    if (FAILED(hr)) return RaiseConnectorError(hr, answer->failure);
    if (FAILED(hr = DecodeContent(answer->contentEncoding, &answer->body))) {
        answer->body.clear();
        return RaiseConnectorError(hr, L"the answer's " + answer->contentEncoding + L" content cannot be decoded");
    }
    if (http::IsFailedAnswer(static_cast<int>(answer->status), Utf8FromWide(answer->contentType)))
        return RaiseConnectorError(
            StatusFailure(answer->status),
            WideFromUtf8(http::DescribeStatus(static_cast<int>(answer->status), Utf8FromWide(answer->statusText))));
    return S_OK;
}

IFACEMETHODIMP StandardHttpConnector::get_InputStream(IStream** stream)
{
    if (!stream) return E_POINTER;
    *stream = nullptr;
    return ComBoundary([&]() -> HRESULT {
        if (!input_) {
            const HRESULT hr = StartMessage();
            if (FAILED(hr)) return hr;
        }
        *stream = ComPtr<IStream>(input_).Detach();
        return S_OK;
    });
}

IFACEMETHODIMP StandardHttpConnector::get_OutputStream(IStream** stream)
{
    if (!stream) return E_POINTER;
    *stream = nullptr;
    return ComBoundary([&]() -> HRESULT {
        if (!output_) {
            const HRESULT hr = StartMessage();
            if (FAILED(hr)) return hr;
        }
        *stream = ComPtr<IStream>(output_).Detach();
        return S_OK;
    });
}

IFACEMETHODIMP StandardHttpConnector::get_Property(BSTR name, VARIANT* value)
{
    if (!value) return E_POINTER;
    VariantInit(value);
    return ComBoundary([&] { return properties_.Get(ViewOf(name), value); });
}

IFACEMETHODIMP StandardHttpConnector::put_Property(BSTR name, VARIANT value)
{
    return ComBoundary([&] { return properties_.Set(ViewOf(name), value); });
}

// The port's address becomes the endpoint.
IFACEMETHODIMP StandardHttpConnector::ConnectWSDL(IWSDLPort* port)
{
    if (!port) return E_INVALIDARG;
    return ComBoundary([&]() -> HRESULT {
        Bstr address;
        const HRESULT hr = port->get_address(address.Put());
        return FAILED(hr) ? hr : SetTextProperty(properties_, toolkit::kEndPointUrl, address.Get());
    });
}

// Every message opens its own connection when it is sent.
IFACEMETHODIMP StandardHttpConnector::Connect() { return S_OK; }

IFACEMETHODIMP StandardHttpConnector::BeginMessageWSDL(IWSDLOperation* operation)
{
    if (!operation) return E_INVALIDARG;
    return ComBoundary([&]() -> HRESULT {
        Bstr action;
        HRESULT hr = operation->get_soapAction(action.Put());
        if (FAILED(hr) || FAILED(hr = SetTextProperty(properties_, toolkit::kSoapAction, action.Get()))) return hr;
        return StartMessage();
    });
}

// Whatever the HTTP status, a completed exchange leaves the answer readable
// (a SOAP fault comes with status 500); a failed one leaves it empty. A
// failure, and an answer that stands for one (a 401, an error status without
// XML, which fail though their body stays readable), leave their cause in the
// thread's error object.
IFACEMETHODIMP StandardHttpConnector::EndMessage()
{
    return ComBoundary([&]() -> HRESULT {
        std::vector<char> body;
        HRESULT hr = input_ ? RequestBody(input_.Get(), &body) : S_OK;
        if (FAILED(hr)) return hr;
        HttpAnswer answer;
        hr = Exchange(std::string_view(body.data(), body.size()), &answer);
        ComPtr<IStream> output;
        const HRESULT streamed = MemoryStreamWith(answer.body, &output);
        if (FAILED(streamed)) return streamed;
        output_ = std::move(output);
        return hr;
    });
}

IFACEMETHODIMP StandardHttpConnector::InterfaceSupportsErrorInfo(REFIID iid)
{
    return IsEqualIID(iid, IID_ISoapConnector) ? S_OK : S_FALSE;
}

IFACEMETHODIMP StandardHttpConnector::Reset()
{
    return ComBoundary([&] { return StartMessage(); });
}

IFACEMETHODIMP StandardHttpConnector::BeginMessage()
{
    return ComBoundary([&] { return StartMessage(); });
}

}  // namespace nvx::soaptk
