#include "gateway/src/allow_list.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace nxcommd {
namespace {

namespace ip = boost::asio::ip;

struct V4Range {
    std::uint32_t base;
    int prefix;
};

// Addresses that reach this host, its networks or nothing routable
// (RFC 6890 special-purpose registry, the parts a relay must not reach unasked).
constexpr std::array<V4Range, 10> kNonPublicV4{{
    {0x00000000, 8},   // "this network"
    {0x0A000000, 8},   // private
    {0x64400000, 10},  // shared address space (carrier-grade NAT)
    {0x7F000000, 8},   // loopback
    {0xA9FE0000, 16},  // link-local
    {0xAC100000, 12},  // private
    {0xC0000000, 24},  // IETF protocol assignments
    {0xC0A80000, 16},  // private
    {0xC6120000, 15},  // benchmarking
    {0xE0000000, 3},   // multicast, reserved and broadcast
}};

bool is_public(const ip::address_v4& address)
{
    const std::uint32_t value = address.to_uint();
    return std::none_of(kNonPublicV4.begin(), kNonPublicV4.end(), [value](const V4Range& range) {
        return (value >> (32 - range.prefix)) == (range.base >> (32 - range.prefix));
    });
}

bool is_public(const ip::address& address)
{
    if (address.is_v4())
        return is_public(address.to_v4());
    const ip::address_v6 v6 = address.to_v6();
    if (v6.is_v4_mapped())
        return is_public(ip::make_address_v4(ip::v4_mapped, v6));
    const bool unique_local = (v6.to_bytes()[0] & 0xFE) == 0xFC;
    return !(v6.is_loopback() || v6.is_unspecified() || v6.is_link_local() || v6.is_site_local() ||
             v6.is_multicast() || unique_local);
}

}  // namespace

bool AllowList::add(std::string_view text)
{
    auto parsed = parse_host_and_port(text);
    if (!parsed)
        return false;
    Entry entry{std::move(*parsed), std::nullopt};
    boost::system::error_code not_an_address;
    const auto address = ip::make_address(entry.host.host, not_an_address);
    if (!not_an_address)
        entry.address = address;
    entries_.push_back(std::move(entry));
    return true;
}

bool AllowList::allows(const HostPort& target) const
{
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return entry.host.host == target.host &&
               (!entry.host.port || *entry.host.port == target.port);
    });
}

bool AllowList::permits_address(const ip::address& address, std::uint16_t port) const
{
    return is_public(address) ||
           std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
               return entry.address == address && (!entry.host.port || *entry.host.port == port);
           });
}

}  // namespace nxcommd
