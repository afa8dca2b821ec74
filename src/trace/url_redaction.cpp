#include "src/trace/url_redaction.h"

namespace nvx::trace {

std::string WithoutUserInfo(std::string_view url)
{
    const size_t scheme = url.find("://");
    const size_t authority = scheme == std::string_view::npos ? 0 : scheme + 3;
    const size_t authorityEnd = url.find_first_of("/?#", authority);
    const std::string_view host = url.substr(
        authority, authorityEnd == std::string_view::npos ? std::string_view::npos : authorityEnd - authority);
    // The last "@" ends the user information: a password may hold "@" itself.
    const size_t at = host.rfind('@');
    if (at == std::string_view::npos) return std::string(url);
    return std::string(url.substr(0, authority)) + "***" + std::string(url.substr(authority + at));
}

}  // namespace nvx::trace
