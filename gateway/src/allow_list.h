// The upstream targets the gateway may relay to. Entries name a host (any
// port) or a host and port; matching is on the host as written in the
// request, so "localhost" and "127.0.0.1" are different entries.
#pragma once

#include "gateway/src/host_port.h"

#include <string_view>
#include <vector>

namespace nxcommd {

class AllowList {
public:
    // Adds "HOST" or "HOST:PORT"; false when the text is not of that form.
    bool add(std::string_view entry);
    bool allows(const HostPort& target) const;
    bool empty() const { return entries_.empty(); }

private:
    std::vector<HostAndOptionalPort> entries_;
};

}  // namespace nxcommd
