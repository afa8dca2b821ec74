#pragma once
// The thread's automation error object: the description a script shows for a
// failed call.
#include <windows.h>

#include <string_view>

namespace nvx {

// Installs `description` as the calling thread's error, with `guid` naming the
// interface that failed, and returns `status`. An error object that cannot be
// made leaves the status to speak alone.
HRESULT ReportFailure(HRESULT status, REFGUID guid, std::wstring_view description) noexcept;

}  // namespace nvx
