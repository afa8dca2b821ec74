#pragma once
// The named settings of the toolkit's WSDL reader (setProperty) and SOAP
// client (ClientProperty) that the library sets.

namespace nvx::toolkit {

// An IClassFactory (VT_UNKNOWN) whose connectors fetch the WSDL and every
// document it imports: the caller's transport carries them.
inline constexpr wchar_t kConnectorFactory[] = L"ConnectorFactory";
// Where a WSDL loaded from a copy came from: what it imports is found from
// there (VT_BSTR).
inline constexpr wchar_t kOriginalLocation[] = L"OriginalLocation";
// The ProgID of the connector class that carries the client's calls.
inline constexpr wchar_t kConnectorProgId[] = L"ConnectorProgID";

}  // namespace nvx::toolkit
