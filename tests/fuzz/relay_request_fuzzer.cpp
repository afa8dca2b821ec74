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
    FUZZ_CHECK(request.url.starts_with("http://" + request.target.text()));
    FUZZ_CHECK(request.bytes.starts_with(request.method + " "));
    FUZZ_CHECK(request.bytes.find("\r\n") != std::string::npos);

    // What goes upstream is one request of its own; in origin form with a
    // Host header it is read the same way again.
    auto again = nxcommd::read_relay_request(request.bytes, kHeaderLimit + size);
    if (const auto* forwarded = std::get_if<nxcommd::RelayRequest>(&again)) {
        FUZZ_CHECK(forwarded->bytes == request.bytes);
        FUZZ_CHECK(forwarded->method == request.method);
        FUZZ_CHECK(forwarded->idempotent == request.idempotent);
    } else if (request.bytes == raw) {
        FUZZ_CHECK(false);
    }
    return 0;
}
