#pragma once
// The namespaces of SOAP 1.1 and 1.2, WSDL 1.1 and XML Schema that the
// toolkit's messages and service descriptions are written in.
#include <string_view>

namespace nvx::toolkit {

inline constexpr wchar_t kEnvelopeNamespace[] = L"http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr wchar_t kEnvelope12Namespace[] = L"http://www.w3.org/2003/05/soap-envelope";
inline constexpr wchar_t kSoapEncodingNamespace[] = L"http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr wchar_t kSoap12EncodingNamespace[] = L"http://www.w3.org/2003/05/soap-encoding";
inline constexpr wchar_t kXsdNamespace[] = L"http://www.w3.org/2001/XMLSchema";
inline constexpr wchar_t kXsiNamespace[] = L"http://www.w3.org/2001/XMLSchema-instance";
inline constexpr wchar_t kWsdlNamespace[] = L"http://schemas.xmlsoap.org/wsdl/";
inline constexpr wchar_t kSoapBindingNamespace[] = L"http://schemas.xmlsoap.org/wsdl/soap/";
inline constexpr wchar_t kSoap12BindingNamespace[] = L"http://schemas.xmlsoap.org/wsdl/soap12/";

// XML Schema as the drafts of 1999 and 2000 named it; older descriptions
// (and the WSDL 1.1 note's own examples) still use them.
inline constexpr wchar_t kXsd1999Namespace[] = L"http://www.w3.org/1999/XMLSchema";
inline constexpr wchar_t kXsd2000Namespace[] = L"http://www.w3.org/2000/10/XMLSchema";

inline bool IsXsdNamespace(std::wstring_view uri)
{
    return uri == kXsdNamespace || uri == kXsd2000Namespace || uri == kXsd1999Namespace;
}

}  // namespace nvx::toolkit
