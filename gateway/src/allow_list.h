// The upstream targets the gateway may relay to. Entries name a host (any
// port) or a host and port; a target's host must match an entry as written,
// so "localhost" and "127.0.0.1" are different entries. The addresses a name
// resolves to are checked again before connecting: an address that is not
// public (loopback, private, link-local and the like) must be on the list
// itself, so that a name on the list cannot be pointed at the inside network.
#pragma once

#include "gateway/src/host_port.h"

#include <boost/asio/ip/address.hpp>

#include <optional>
#include <string_view>
#include <vector>

namespace nxcommd {

class AllowList {
public:
    // Adds "HOST" or "HOST:PORT"; false when the text is not of that form.
    bool add(std::string_view entry);
    bool allows(const HostPort& target) const;
    // Whether connecting to `address` for a target on `port` is allowed.
    bool permits_address(const boost::asio::ip::address& address, std::uint16_t port) const;
    bool empty() const { return entries_.empty(); }

private:
    struct Entry {
        HostAndOptionalPort host;
        std::optional<boost::asio::ip::address> address;  // when the host is an address
    };

    std::vector<Entry> entries_;
};

}  // namespace nxcommd
