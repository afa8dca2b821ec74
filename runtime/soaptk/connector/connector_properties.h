#pragma once
// The named properties of the standard HTTP connector. Names are matched
// without regard to letter case; values arrive as VARIANTs and are kept as
// text, checked when they are set.
#include <windows.h>
#include <oaidl.h>

#include <array>
#include <string>
#include <string_view>

#include "base/toolkit/header_text_check.h"

namespace nvx::soaptk {

class ConnectorProperties {
public:
    ConnectorProperties();

    // E_INVALIDARG for an unknown name or a value the property cannot take (a
    // value that would break the request head also sets the thread's error).
    HRESULT Set(std::wstring_view name, const VARIANT& value);
    // The value as text (VT_BSTR).
    HRESULT Get(std::wstring_view name, VARIANT* value) const;

    const std::wstring& EndPointUrl() const { return Value(Property::EndPointUrl); }
    const std::wstring& SoapAction() const { return Value(Property::SoapAction); }
    DWORD TimeoutMs() const;
    // "server:port" when a proxy is set, else empty.
    std::wstring Proxy() const;
    const std::wstring& AuthUser() const { return Value(Property::AuthUser); }
    const std::wstring& AuthPassword() const { return Value(Property::AuthPassword); }
    const std::wstring& AcceptEncoding() const { return Value(Property::AcceptEncoding); }
    // "POST" or "GET".
    const std::wstring& RequestMethod() const { return Value(Property::RequestMethod); }
    // The request's media type: SOAP 1.1's text/xml unless set.
    const std::wstring& ContentType() const { return Value(Property::ContentType); }

private:
    enum class Property {
        EndPointUrl,
        SoapAction,
        Timeout,
        ProxyServer,
        ProxyPort,
        AuthUser,
        AuthPassword,
        AcceptEncoding,
        RequestMethod,
        ContentType,
        Count
    };

    static bool Find(std::wstring_view name, Property* property);
    static toolkit::HeaderPart PartOfHead(Property property);
    static HRESULT Checked(Property property, std::wstring text, std::wstring* value);
    const std::wstring& Value(Property property) const { return values_[static_cast<size_t>(property)]; }

    std::array<std::wstring, static_cast<size_t>(Property::Count)> values_;
};

}  // namespace nvx::soaptk
