// Decides what to do with a received frame before any upstream is touched:
// relay it (with its time-out) or answer it at once with an error page.
#pragma once

#include "gateway/src/error_page.h"
#include "gateway/src/frame_assembler.h"
#include "gateway/src/options.h"
#include "gateway/src/relay_request.h"

#include <variant>

namespace nxcommd {

struct Admitted {
    RelayRequest request;
    Millis timeout;
};

std::variant<Admitted, Failure> admit_frame(const ReceivedFrame& frame,
                                            const GatewayConfig& config);

// Largest frame payload worth reading: a request at the size limit, spread
// over as many pieces as the format allows.
std::size_t max_frame_payload(const GatewayLimits& limits);

}  // namespace nxcommd
