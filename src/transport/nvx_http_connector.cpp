#include "src/transport/nvx_http_connector.h"

#include "base/comframe/class_factory.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/http/credentials.h"
#include "base/http/url.h"
#include "base/toolkit/connector_property_names.h"
#include "base/toolkit/header_text_check.h"
#include "src/transport/ublock_stream.h"

namespace nvx::transport {
namespace {

constexpr char kHostProperty[] = "Host";

// The "Authorization" line for the URL's credentials; empty without any.
std::string AuthorizationLine(std::wstring_view url)
{
    const std::optional<http::UrlCredentials> credentials = http::CredentialsFromUrl(Utf8FromWide(url));
    if (!credentials) return {};
    return std::string(http::kAuthorizationHeader) + ": " +
           http::BasicAuthorization(credentials->user, credentials->password) + "\r\n";
}

bool IsEndPointName(BSTR name) { return ViewOf(name) == toolkit::kEndPointUrl; }

// A property value as text; values other than strings are converted.
HRESULT ValueText(const VARIANT& value, std::wstring* text)
{
    if (V_VT(&value) == VT_BSTR) {
        *text = ViewOf(V_BSTR(&value));
        return S_OK;
    }
    Variant converted;
    const HRESULT hr = VariantChangeType(converted.Get(), const_cast<VARIANT*>(&value), 0, VT_BSTR);
    if (SUCCEEDED(hr)) *text = ViewOf(V_BSTR(converted.Get()));
    return hr;
}

HRESULT ReturnStream(INvxUBlockStream* stream, IStream** out)
{
    if (!out) return E_POINTER;
    *out = stream;
    if (stream) stream->AddRef();
    return S_OK;
}

}  // namespace

std::span<const com::InterfaceEntry<NvxHttpConnector>> NvxHttpConnector::Interfaces()
{
    static const com::InterfaceEntry<NvxHttpConnector> table[] = {
        {&IID_INvxHTTPConnector, &com::ViewAs<NvxHttpConnector, INvxHTTPConnector>},
        {&IID_IDispatch, &com::ViewAs<NvxHttpConnector, INvxHTTPConnector>},
        {&IID_ISoapConnector, &com::ViewAs<NvxHttpConnector, ISoapConnector>},
    };
    return table;
}

// The stream class lives in this module: its own class object makes it,
// without a trip through the registry. Without a stream (its creation failed)
// the members that need one say so.
NvxHttpConnector::NvxHttpConnector()
{
    ComPtr<IClassFactory> factory;
    if (SUCCEEDED(com::GetClassObject(CLSID_NvxUBlockStream, IID_IClassFactory,
                                      reinterpret_cast<void**>(factory.GetAddressOf()))))
        factory->CreateInstance(nullptr, IID_INvxUBlockStream, reinterpret_cast<void**>(stream_.GetAddressOf()));
}

IFACEMETHODIMP NvxHttpConnector::get_XMLResponse(BSTR* text)
{
    if (!text) return E_POINTER;
    if (!stream_) return E_FAIL;
    return stream_->get_NXCommBuffer(text);
}

IFACEMETHODIMP NvxHttpConnector::put_Request(BSTR method)
{
    const std::wstring_view requested = ViewOf(method);
    if (requested != L"POST" && requested != L"GET") return E_FAIL;
    return ComBoundary([&] {
        method_ = Bstr::CopyOf(method);
        return S_OK;
    });
}

IFACEMETHODIMP NvxHttpConnector::get_InputStream(IStream** stream) { return ReturnStream(stream_.Get(), stream); }
IFACEMETHODIMP NvxHttpConnector::get_OutputStream(IStream** stream) { return ReturnStream(stream_.Get(), stream); }

IFACEMETHODIMP NvxHttpConnector::get_Property(BSTR name, VARIANT* value)
{
    if (!value) return E_POINTER;
    VariantInit(value);
    return ComBoundary([&]() -> HRESULT {
        Bstr text;
        if (IsEndPointName(name)) {
            text = Bstr::CopyOf(endPointUrl_.Get());
        } else {
            const std::string* found = properties_.Find(AnsiFromWide(ViewOf(name)));
            if (!found) return E_FAIL;
            text = Bstr(WideFromAnsi(*found));
        }
        V_VT(value) = VT_BSTR;
        V_BSTR(value) = text.Detach();
        return S_OK;
    });
}

// Values are checked as the bytes that will be sent: the conversion to the
// ANSI code page may turn a character into another one.
IFACEMETHODIMP NvxHttpConnector::put_Property(BSTR name, VARIANT value)
{
    return ComBoundary([&]() -> HRESULT {
        std::wstring text;
        HRESULT hr = ValueText(value, &text);
        if (FAILED(hr)) return hr;
        const std::string sent = AnsiFromWide(text);
        if (IsEndPointName(name)) {
            hr = toolkit::CheckHeaderText(ViewOf(name), sent, toolkit::HeaderPart::RequestTarget);
            if (FAILED(hr)) return hr;
            endPointUrl_ = Bstr(text);
            properties_.Set(kHostProperty, http::HostFromUrl(sent));
            authorizationLine_ = AuthorizationLine(text);
            return S_OK;
        }
        const std::string propertyName = AnsiFromWide(ViewOf(name));
        if (!properties_.Find(propertyName)) return E_FAIL;
        hr = toolkit::CheckHeaderText(ViewOf(name), sent, toolkit::HeaderPart::Value);
        if (FAILED(hr)) return hr;
        properties_.Set(propertyName, sent);
        return S_OK;
    });
}

IFACEMETHODIMP NvxHttpConnector::ConnectWSDL(IWSDLPort*) { return E_NOTIMPL; }
IFACEMETHODIMP NvxHttpConnector::Connect() { return E_NOTIMPL; }
IFACEMETHODIMP NvxHttpConnector::BeginMessageWSDL(IWSDLOperation*) { return E_NOTIMPL; }
IFACEMETHODIMP NvxHttpConnector::Reset() { return E_NOTIMPL; }

IFACEMETHODIMP NvxHttpConnector::EndMessage()
{
    if (!stream_) return E_POINTER;
    stream_->Commit(STGC_DEFAULT);
    return S_OK;
}

HRESULT NvxHttpConnector::PropertyText(const wchar_t* name, VARIANT* value)
{
    const Bstr propertyName(name);
    return get_Property(propertyName.Get(), value);
}

// Writes the request head into the stream and sets it aside.
IFACEMETHODIMP NvxHttpConnector::BeginMessage()
{
    return ComBoundary([&]() -> HRESULT {
        const std::string headerLines = properties_.HeaderLines();
        if (!stream_ || headerLines.empty()) return E_FAIL;

        Variant endPoint;
        PropertyText(toolkit::kEndPointUrl, endPoint.Get());
        const std::string url = V_VT(endPoint.Get()) == VT_BSTR ? AnsiFromWide(ViewOf(V_BSTR(endPoint.Get()))) : "";
        const std::string head = AnsiFromWide(method_.View()) + " " + http::PathFromUrl(url) + " HTTP/1.1\r\n" +
                                 headerLines + authorizationLine_;

        Variant timeout;
        if (SUCCEEDED(PropertyText(toolkit::kTimeout, timeout.Get())) &&
            SUCCEEDED(VariantChangeType(timeout.Get(), timeout.Get(), 0, VT_I4)))
            stream_->put_Timeout(V_I4(timeout.Get()));

        ULONG written = 0;
        stream_->Write(head.data(), static_cast<ULONG>(head.size()), &written);
        if (written != head.size()) return E_FAIL;
        stream_->Commit(UBlockStream::kCommitHead);
        return S_OK;
    });
}

}  // namespace nvx::transport
