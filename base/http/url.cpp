#include "base/http/url.h"

#include <algorithm>

#include "base/http/ascii_text.h"

namespace nvx::http {
namespace {

constexpr std::string_view kHttpScheme = "http://";
constexpr std::string_view kSchemeEnd = "://";
constexpr std::string_view kHostWithoutScheme = "localhost";
constexpr std::string_view kRootPath = "/";
// Where the authority ends (RFC 3986): user information never holds these.
constexpr std::string_view kAuthorityEnd = "/?#";

// Only the four letters of the scheme name are folded, so "HTTP://Host/A"
// keeps the case of its host and path.
constexpr std::size_t kFoldedLength = 4;

std::string WithSchemeFolded(std::string_view url)
{
    std::string copy(url);
    for (std::size_t i = 0; i < copy.size() && i < kFoldedLength; ++i) {
        copy[i] = ToLowerAscii(copy[i]);
    }
    return copy;
}

bool IsSchemeCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
           c == '.';
}

// The user information of "scheme://userinfo@host..." without its "@";
// none when the URL has no scheme or no "@" before the authority ends.
struct UserInfoSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};

std::optional<UserInfoSpan> FindUserInfo(std::string_view url)
{
    const std::size_t schemeEnd = url.find(kSchemeEnd);
    if (schemeEnd == std::string_view::npos || schemeEnd == 0) return std::nullopt;
    for (std::size_t i = 0; i < schemeEnd; ++i)
        if (!IsSchemeCharacter(url[i])) return std::nullopt;
    const std::size_t start = schemeEnd + kSchemeEnd.size();
    const std::size_t authorityEnd = std::min(url.find_first_of(kAuthorityEnd, start), url.size());
    const std::size_t at = url.substr(0, authorityEnd).rfind('@');
    if (at == std::string_view::npos || at < start) return std::nullopt;
    return UserInfoSpan{start, at - start};
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%XX" becomes its byte; a "%" not followed by two hex digits stays as written.
std::string PercentDecoded(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            decoded.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

}  // namespace

std::string UrlWithoutCredentials(std::string_view url)
{
    const std::optional<UserInfoSpan> userInfo = FindUserInfo(url);
    if (!userInfo) return std::string(url);
    std::string stripped(url.substr(0, userInfo->start));
    stripped.append(url.substr(userInfo->start + userInfo->length + 1));
    return stripped;
}

std::optional<UrlCredentials> CredentialsFromUrl(std::string_view url)
{
    const std::optional<UserInfoSpan> userInfo = FindUserInfo(url);
    if (!userInfo || userInfo->length == 0) return std::nullopt;
    const std::string_view text = url.substr(userInfo->start, userInfo->length);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return UrlCredentials{PercentDecoded(text), {}};
    return UrlCredentials{PercentDecoded(text.substr(0, colon)), PercentDecoded(text.substr(colon + 1))};
}

std::string HostFromUrl(std::string_view url)
{
    const std::string folded = WithSchemeFolded(UrlWithoutCredentials(url));
    if (!folded.starts_with(kHttpScheme)) {
        return std::string(kHostWithoutScheme);
    }
    const std::size_t pathStart = folded.find('/', kHttpScheme.size());
    if (pathStart == std::string::npos) {
        return folded.substr(kHttpScheme.size());
    }
    return folded.substr(kHttpScheme.size(), pathStart - kHttpScheme.size());
}

std::string PathFromUrl(std::string_view url)
{
    std::string folded = WithSchemeFolded(UrlWithoutCredentials(url));
    if (!folded.starts_with(kHttpScheme)) {
        return folded;
    }
    const std::size_t pathStart = folded.find('/', kHttpScheme.size());
    if (pathStart == std::string::npos) {
        return std::string(kRootPath);
    }
    return folded.substr(pathStart);
}

}  // namespace nvx::http
