#pragma once
// The settings of a web-service caller that a call reads.
#include <windows.h>

#include "NvxWebSvc.h"

namespace nvx::facade {

// A caller whose Timeout is this has none set.
constexpr long kTimeoutNotSet = -1;

struct CallSettings {
    BSTR nameSpace;  // may be null
    _SOAPTRANSPORT_ transport;
    _HTTPCOMPRESSION_ compression;
    long timeout;
};

}  // namespace nvx::facade
