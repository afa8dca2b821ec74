#pragma once
// The namespaces of SOAP 1.1, WSDL 1.1 and XML Schema that the toolkit's
// messages and service descriptions are written in.

namespace nvx::toolkit {

inline constexpr wchar_t kEnvelopeNamespace[] = L"http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr wchar_t kSoapEncodingNamespace[] = L"http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr wchar_t kXsdNamespace[] = L"http://www.w3.org/2001/XMLSchema";
inline constexpr wchar_t kXsiNamespace[] = L"http://www.w3.org/2001/XMLSchema-instance";
inline constexpr wchar_t kWsdlNamespace[] = L"http://schemas.xmlsoap.org/wsdl/";
inline constexpr wchar_t kSoapBindingNamespace[] = L"http://schemas.xmlsoap.org/wsdl/soap/";

}  // namespace nvx::toolkit
