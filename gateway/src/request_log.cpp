#include "gateway/src/request_log.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace nxcommd {
namespace {

// Credentials never reach the log: the user information ("user:password@"
// after "scheme://") is cut from every URL, the target's or one a reason quotes.
std::string without_user_info(std::string_view text)
{
    std::string out;
    std::size_t from = 0;
    for (std::size_t scheme; (scheme = text.find("://", from)) != std::string_view::npos;) {
        const std::size_t start = scheme + 3;
        const std::size_t end = std::min(text.find_first_of("/?# \"'", start), text.size());
        const std::size_t at = text.substr(0, end).rfind('@');
        out.append(text.substr(from, start - from));
        from = at != std::string_view::npos && at >= start ? at + 1 : start;
    }
    out.append(text.substr(from));
    return out;
}

}  // namespace

void log_request(const RequestRecord& record)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(record.elapsed).count();
    std::string line;
    line.reserve(160);
    line.append(record.client)
        .append(" ")
        .append(record.url.empty() ? "-" : without_user_info(record.url));
    line.append(" ").append(std::to_string(record.status));
    line.append(" ").append(std::to_string(record.bytes)).append("B");
    line.append(" ").append(std::to_string(ms)).append("ms");
    if (!record.reason.empty())
        line.append(" \"").append(without_user_info(record.reason)).append("\"");
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void log_event(std::string_view text)
{
    std::string line(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace nxcommd
