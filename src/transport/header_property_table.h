#pragma once
// The connector's 16 named properties. Each one with a value becomes a header
// line of the request, in ascending byte order of the names; values change,
// names are fixed at construction.
#include <map>
#include <string>

namespace nvx::transport {

class HeaderPropertyTable {
public:
    HeaderPropertyTable();

    // Exact, case-sensitive lookups; null / false for a name not in the table.
    const std::string* Find(const std::string& name) const;
    bool Set(const std::string& name, std::string value);

    // "Name: value\r\n" for every entry with a value, in table order.
    std::string HeaderLines() const;

    size_t Size() const { return table_.size(); }

private:
    std::map<std::string, std::string> table_;  // std::string orders bytes as unsigned
};

}  // namespace nvx::transport
