#include "gateway/src/allow_list.h"

#include <algorithm>

namespace nxcommd {

bool AllowList::add(std::string_view entry)
{
    auto parsed = parse_host_and_port(entry);
    if (!parsed)
        return false;
    entries_.push_back(std::move(*parsed));
    return true;
}

bool AllowList::allows(const HostPort& target) const
{
    return std::any_of(entries_.begin(), entries_.end(), [&](const HostAndOptionalPort& entry) {
        return entry.host == target.host && (!entry.port || *entry.port == target.port);
    });
}

}  // namespace nxcommd
