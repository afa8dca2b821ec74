// "host[:port]" on arbitrary text: what is accepted is a lower-case host and
// a port, and writing it out reads back the same.
#include "gateway/src/host_port.h"

#include <cctype>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto zero : {nxcommd::PortZero::refused, nxcommd::PortZero::allowed}) {
        const auto parsed = nxcommd::parse_host_and_port(text, zero);
        if (!parsed) continue;
        FUZZ_CHECK(!parsed->host.empty());
        for (const char c : parsed->host)
            FUZZ_CHECK(!std::isupper(static_cast<unsigned char>(c)) && !std::isspace(static_cast<unsigned char>(c)));
        FUZZ_CHECK(zero == nxcommd::PortZero::allowed || parsed->port != 0);

        const auto with_port = nxcommd::parse_host_port(text, 80, zero);
        FUZZ_CHECK(with_port && with_port->host == parsed->host);
        FUZZ_CHECK(with_port->port == parsed->port.value_or(80));
        const auto again = nxcommd::parse_host_port(with_port->text(), 1, zero);
        FUZZ_CHECK(again && again->host == with_port->host && again->port == with_port->port);
    }
    return 0;
}
