#include "src/transport/header_property_table.h"

namespace nvx::transport {

HeaderPropertyTable::HeaderPropertyTable()
    : table_{
          {"Accept-Encoding", ""},
          {"AuthPassword", ""},
          {"AuthUser", ""},
          {"Connection", "Keep-Alive"},
          {"Content-Type", "text/xml; charset=utf-8"},
          {"EndPointURL", ""},
          {"Host", ""},
          {"ProxyPassword", ""},
          {"ProxyPort", ""},
          {"ProxyServer", ""},
          {"ProxyUser", ""},
          {"SSLClientCertificateName", ""},
          {"SoapAction", ""},
          {"Timeout", "30000"},
          {"UseSSL", ""},
          {"User-Agent", "Norvexa COM Web-Service"},
      }
{
}

const std::string* HeaderPropertyTable::Find(const std::string& name) const
{
    const auto found = table_.find(name);
    return found == table_.end() ? nullptr : &found->second;
}

bool HeaderPropertyTable::Set(const std::string& name, std::string value)
{
    const auto found = table_.find(name);
    if (found == table_.end()) return false;
    found->second = std::move(value);
    return true;
}

std::string HeaderPropertyTable::HeaderLines() const
{
    std::string lines;
    for (const auto& [name, value] : table_) {
        if (value.empty()) continue;
        lines.append(name).append(": ").append(value).append("\r\n");
    }
    return lines;
}

}  // namespace nvx::transport
