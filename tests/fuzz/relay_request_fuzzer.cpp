// The relay-request reader on arbitrary request bytes: it refuses with 400 or
// 413, or it finds a target and forwards bytes that read again as the same
// request.
#include "gateway/src/relay_request.h"

#include <cstdint>
#include <string>

#include "fuzz_check.h"

namespace {

constexpr std::size_t kHeaderLimit = 2048;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    auto result = nxcommd::read_relay_request(raw, kHeaderLimit);
    if (const auto* failure = std::get_if<nxcommd::Failure>(&result)) {
        FUZZ_CHECK(failure->status == 400 || failure->status == 413);
        FUZZ_CHECK(!failure->reason.empty());
        return 0;
    }
    const auto& request = std::get<nxcommd::RelayRequest>(result);
    FUZZ_CHECK(!request.target.host.empty() && request.target.port != 0);
    FUZZ_CHECK(request.url.starts_with((request.tls ? "https://" : "http://") + request.target.text()));
    FUZZ_CHECK(request.bytes.starts_with(request.method + " "));
    FUZZ_CHECK(request.bytes.find("\r\n") != std::string::npos);

    // What goes upstream is one request in origin form with one Host, read
    // the same way again (an https:// target's Host names port 443 only by
    // default, so only the host is compared then).
    auto again = nxcommd::read_relay_request(request.bytes, kHeaderLimit + size);
    const auto* forwarded = std::get_if<nxcommd::RelayRequest>(&again);
    FUZZ_CHECK(forwarded);
    FUZZ_CHECK(forwarded->bytes == request.bytes);
    FUZZ_CHECK(forwarded->method == request.method);
    FUZZ_CHECK(forwarded->idempotent == request.idempotent);
    FUZZ_CHECK(forwarded->target.host == request.target.host);
    FUZZ_CHECK(request.tls || forwarded->target.port == request.target.port);
    return 0;
}
