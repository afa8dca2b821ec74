#pragma once
// The namespaces of SOAP 1.1 and XML Schema that the toolkit reads and writes.

namespace nvx::soaptk {

inline constexpr wchar_t kEnvelopeNamespace[] = L"http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr wchar_t kSoapEncodingNamespace[] = L"http://schemas.xmlsoap.org/soap/encoding/";
inline constexpr wchar_t kXsdNamespace[] = L"http://www.w3.org/2001/XMLSchema";
inline constexpr wchar_t kXsiNamespace[] = L"http://www.w3.org/2001/XMLSchema-instance";

}  // namespace nvx::soaptk
