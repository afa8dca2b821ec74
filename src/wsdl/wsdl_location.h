#pragma once
// Where the WSDL-driven call looks: the WSDL of a service location and the
// proxy of the gateway operator's network.
#include <string>

namespace nvx::wsdl {

// The WSDL location of a service location: leading white space and trailing
// spaces removed, "?WSDL" appended unless it ends with it (exact case).
std::string WsdlLocation(const std::string& serviceLocation);

// The proxy host of the gateway operator's network (NVX_DEFAULT_PROXY when set).
std::wstring DefaultProxyHost();

}  // namespace nvx::wsdl
