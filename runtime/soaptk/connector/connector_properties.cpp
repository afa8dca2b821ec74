#include "runtime/soaptk/connector/connector_properties.h"

#include <oleauto.h>

#include <climits>

#include "base/common/bstr.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/toolkit/connector_property_names.h"
#include "base/toolkit/header_text_check.h"
#include "runtime/soaptk/text/ignoring_case.h"

namespace nvx::soaptk {
namespace {

constexpr const wchar_t* kNames[] = {
    toolkit::kEndPointUrl,   toolkit::kSoapAction,  toolkit::kTimeout,      toolkit::kProxyServer,
    toolkit::kProxyPort,     toolkit::kAuthUser,    toolkit::kAuthPassword, toolkit::kAcceptEncoding,
    toolkit::kRequestMethod, toolkit::kContentType,
};
constexpr wchar_t kDefaultTimeout[] = L"30000";
constexpr wchar_t kDefaultContentType[] = L"text/xml; charset=utf-8";
constexpr DWORD kDefaultTimeoutMs = 30000;
constexpr wchar_t kPost[] = L"POST";
constexpr wchar_t kGet[] = L"GET";

// A decimal number from 1 to `max`, or 0.
unsigned long PositiveNumber(std::wstring_view text, unsigned long max)
{
    if (text.empty() || text.size() > 10) return 0;
    unsigned long long number = 0;
    for (wchar_t digit : text) {
        if (digit < L'0' || digit > L'9') return 0;
        number = number * 10 + static_cast<unsigned>(digit - L'0');
    }
    return number <= max ? static_cast<unsigned long>(number) : 0;
}

}  // namespace

ConnectorProperties::ConnectorProperties()
{
    values_[static_cast<size_t>(Property::Timeout)] = kDefaultTimeout;
    values_[static_cast<size_t>(Property::RequestMethod)] = kPost;
    values_[static_cast<size_t>(Property::ContentType)] = kDefaultContentType;
}

bool ConnectorProperties::Find(std::wstring_view name, Property* property)
{
    for (size_t index = 0; index < std::size(kNames); ++index) {
        if (EqualsIgnoringCase(name, kNames[index])) {
            *property = static_cast<Property>(index);
            return true;
        }
    }
    return false;
}

// Every value ends up in the request: the URL and the proxy name where WinHTTP
// puts them (a space separates proxies in its list), the rest in header lines.
toolkit::HeaderPart ConnectorProperties::PartOfHead(Property property)
{
    return property == Property::EndPointUrl || property == Property::ProxyServer ? toolkit::HeaderPart::RequestTarget
                                                                                  : toolkit::HeaderPart::Value;
}

HRESULT ConnectorProperties::Checked(Property property, std::wstring text, std::wstring* value)
{
    switch (property) {
    case Property::Timeout:
        if (PositiveNumber(text, INT_MAX) == 0) return E_INVALIDARG;
        break;
    case Property::ProxyPort:
        if (!text.empty() && PositiveNumber(text, 65535) == 0) return E_INVALIDARG;
        break;
    case Property::AuthUser:
        // Basic authentication separates the user from the password by a colon.
        if (text.find(L':') != text.npos) return E_INVALIDARG;
        break;
    case Property::RequestMethod:
        if (EqualsIgnoringCase(text, kPost))
            text = kPost;
        else if (EqualsIgnoringCase(text, kGet))
            text = kGet;
        else
            return E_INVALIDARG;
        break;
    default: break;
    }
    *value = std::move(text);
    return S_OK;
}

HRESULT ConnectorProperties::Set(std::wstring_view name, const VARIANT& value)
{
    Property property;
    if (!Find(name, &property)) return E_INVALIDARG;
    Variant text;
    HRESULT hr = VariantChangeType(text.Get(), const_cast<VARIANT*>(&value), 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    const std::wstring_view converted = ViewOf(text->bstrVal);
    hr = toolkit::CheckHeaderText(name, converted, PartOfHead(property));
    if (FAILED(hr)) return hr;
    return Checked(property, std::wstring(converted), &values_[static_cast<size_t>(property)]);
}

HRESULT ConnectorProperties::Get(std::wstring_view name, VARIANT* value) const
{
    Property property;
    if (!Find(name, &property)) return E_INVALIDARG;
    Bstr text(Value(property));
    value->vt = VT_BSTR;
    value->bstrVal = text.Detach();
    return S_OK;
}

DWORD ConnectorProperties::TimeoutMs() const
{
    const unsigned long timeout = PositiveNumber(Value(Property::Timeout), INT_MAX);
    return timeout != 0 ? timeout : kDefaultTimeoutMs;
}

std::wstring ConnectorProperties::Proxy() const
{
    const std::wstring& server = Value(Property::ProxyServer);
    if (server.empty()) return {};
    const std::wstring& port = Value(Property::ProxyPort);
    return port.empty() ? server : server + L":" + port;
}

}  // namespace nvx::soaptk
