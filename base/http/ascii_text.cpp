#include "base/http/ascii_text.h"

namespace nvx::http {
namespace {

bool IsAsciiSpace(char c) noexcept
{
    switch (c) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r': return true;
    default: return false;
    }
}

}  // namespace

char ToLowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool LessNoCase::operator()(std::string_view a, std::string_view b) const noexcept
{
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto left = static_cast<unsigned char>(ToLowerAscii(a[i]));
        const auto right = static_cast<unsigned char>(ToLowerAscii(b[i]));
        if (left != right) {
            return left < right;
        }
    }
    return a.size() < b.size();
}

std::string_view TrimSpaces(std::string_view text) noexcept
{
    while (!text.empty() && IsAsciiSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsAsciiSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace nvx::http
