#include "src/wsdl/wsdl_location.h"

#include <windows.h>

namespace nvx::wsdl {
namespace {

constexpr char kWsdlSuffix[] = "?WSDL";
constexpr wchar_t kDefaultProxy[] = L"proxy.norvexa.com";
constexpr wchar_t kDefaultProxyVariable[] = L"NVX_DEFAULT_PROXY";

}  // namespace

std::string WsdlLocation(const std::string& serviceLocation)
{
    constexpr char kLeadingSpace[] = " \t\n\v\f\r";
    const size_t start = serviceLocation.find_first_not_of(kLeadingSpace);
    std::string location = start == std::string::npos ? std::string() : serviceLocation.substr(start);
    const size_t end = location.find_last_not_of(' ');
    location.resize(end == std::string::npos ? 0 : end + 1);
    const std::string suffix = kWsdlSuffix;
    if (location.size() < suffix.size() ||
        location.compare(location.size() - suffix.size(), suffix.size(), suffix) != 0)
        location += suffix;
    return location;
}

std::wstring DefaultProxyHost()
{
    wchar_t configured[256];
    const DWORD length = GetEnvironmentVariableW(kDefaultProxyVariable, configured, 256);
    return length > 0 && length < 256 ? std::wstring(configured, length) : std::wstring(kDefaultProxy);
}

}  // namespace nvx::wsdl
