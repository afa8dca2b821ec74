#pragma once
// Receive areas for gateway answers, kept between exchanges. An exchange
// lives for one call, and a fresh area of this size for each would be mapped
// and unmapped by the system every time, which costs more the more threads
// the process runs. An area holds nothing from one exchange to the next: it
// is only ever read as far as a message was copied into it, so it is not
// cleared either.
#include <cstdint>
#include <memory>

#include "nxapi.h"

namespace nvx::transport {

struct ReceiveAreaReturn {
    void operator()(uint8_t* area) const;
};
// An area of kReceiveAreaSize bytes, kept for a later exchange when released.
using ReceiveArea = std::unique_ptr<uint8_t[], ReceiveAreaReturn>;

constexpr int kReceiveAreaSize = NXAPI_RECEIVE_AREA_SIZE;

// A kept area, or a new one.
ReceiveArea TakeReceiveArea();

}  // namespace nvx::transport
