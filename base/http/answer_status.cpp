#include "base/http/answer_status.h"

#include <algorithm>

#include "base/http/ascii_text.h"

namespace nvx::http {
namespace {

constexpr std::string_view kStatusLineStart = "HTTP/";
constexpr std::string_view kContentType = "Content-Type";
constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kUnauthorized = 401;
constexpr int kProxyAuthenticationRequired = 407;

bool ContainsNoCase(std::string_view text, std::string_view word)
{
    if (word.size() > text.size()) return false;
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
        if (EqualsNoCase(text.substr(at, word.size()), word)) return true;
    return false;
}

// The value of the first header line named `name` (without case) in `head`.
std::string_view HeaderValue(std::string_view head, std::string_view name)
{
    for (std::size_t start = head.find(kLineEnd); start != std::string_view::npos;) {
        start += kLineEnd.size();
        const std::size_t end = std::min(head.find(kLineEnd, start), head.size());
        const std::string_view line = head.substr(start, end - start);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualsNoCase(TrimSpaces(line.substr(0, colon)), name))
            return TrimSpaces(line.substr(colon + 1));
        start = end == head.size() ? std::string_view::npos : end;
    }
    return {};
}

}  // namespace

AnswerStatus ReadAnswerStatus(std::string_view answer)
{
    AnswerStatus status;
    const std::string_view head = answer.substr(0, answer.find(kHeadEnd));
    const std::string_view statusLine = head.substr(0, head.find(kLineEnd));
    const std::size_t codeStart = statusLine.find(' ');
    if (!statusLine.starts_with(kStatusLineStart) || codeStart == std::string_view::npos ||
        statusLine.size() < codeStart + 4)
        return status;
    int code = 0;
    for (const char digit : statusLine.substr(codeStart + 1, 3)) {
        if (digit < '0' || digit > '9') return status;
        code = code * 10 + (digit - '0');
    }
    if (statusLine.size() > codeStart + 4 && statusLine[codeStart + 4] != ' ') return status;
    status.code = code;
    status.reason = TrimSpaces(statusLine.substr(std::min(codeStart + 4, statusLine.size())));
    status.contentType = HeaderValue(head, kContentType);
    return status;
}

bool IsAuthenticationFailure(int code) { return code == kUnauthorized || code == kProxyAuthenticationRequired; }

bool IsFailedAnswer(int code, std::string_view contentType)
{
    if (IsAuthenticationFailure(code)) return true;
    return (code < 200 || code > 299) && !ContainsNoCase(contentType, "xml");
}

std::string DescribeStatus(int code, std::string_view reason)
{
    std::string text = "HTTP status " + std::to_string(code);
    if (!reason.empty()) text.append(" ").append(reason);
    return text;
}

}  // namespace nvx::http
