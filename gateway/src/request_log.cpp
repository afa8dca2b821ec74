#include "gateway/src/request_log.h"

#include <cstdio>
#include <string>

namespace nxcommd {

void log_request(const RequestRecord& record)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(record.elapsed).count();
    std::string line;
    line.reserve(160);
    line.append(record.client).append(" ").append(record.url.empty() ? "-" : record.url);
    line.append(" ").append(std::to_string(record.status));
    line.append(" ").append(std::to_string(record.bytes)).append("B");
    line.append(" ").append(std::to_string(ms)).append("ms");
    if (!record.reason.empty())
        line.append(" \"").append(record.reason).append("\"");
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
