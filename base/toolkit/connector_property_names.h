#pragma once
// The named properties of a SOAP connector that callers set and connectors
// read: the toolkit's own names, and header names that are sent as they are.

namespace nvx::toolkit {

inline constexpr wchar_t kEndPointUrl[] = L"EndPointURL";
inline constexpr wchar_t kSoapAction[] = L"SoapAction";
inline constexpr wchar_t kTimeout[] = L"Timeout";
inline constexpr wchar_t kProxyServer[] = L"ProxyServer";
inline constexpr wchar_t kProxyPort[] = L"ProxyPort";
inline constexpr wchar_t kAuthUser[] = L"AuthUser";
inline constexpr wchar_t kAuthPassword[] = L"AuthPassword";
inline constexpr wchar_t kAcceptEncoding[] = L"Accept-Encoding";
inline constexpr wchar_t kRequestMethod[] = L"RequestMethod";
inline constexpr wchar_t kContentType[] = L"Content-Type";

}  // namespace nvx::toolkit
