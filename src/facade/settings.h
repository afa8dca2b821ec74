#pragma once
// The settings of a web-service caller that a call reads.
#include <windows.h>

#include "NvxWebSvc.h"

namespace nvx::facade {

// A caller (or WSDL reader) whose Timeout is this has none set.
inline constexpr long kTimeoutNotSet = -1;

// The codings a caller asks for when its Compression is GZip.
inline constexpr wchar_t kCompressedAnswers[] = L"gzip, deflate";

struct CallSettings {
    BSTR nameSpace;  // may be null
    _SOAPTRANSPORT_ transport;
    _HTTPCOMPRESSION_ compression;
    long timeout;
};

}  // namespace nvx::facade
