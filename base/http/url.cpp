#include "base/http/url.h"

#include "base/http/ascii_text.h"

namespace nvx::http {
namespace {

constexpr std::string_view kHttpScheme = "http://";
constexpr std::string_view kHostWithoutScheme = "localhost";
constexpr std::string_view kRootPath = "/";

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

}  // namespace

std::string HostFromUrl(std::string_view url)
{
    const std::string folded = WithSchemeFolded(url);
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
    std::string folded = WithSchemeFolded(url);
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
