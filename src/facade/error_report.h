#pragma once
// The automation error object the call members leave behind when they fail.
#include <string_view>

namespace nvx::facade {

// Installs `message` (ANSI text), followed by ": " and `cause` when there is
// one, as the calling thread's error description, with the IID of
// IComWebSvc as its GUID. The fixed message comes first, so that callers
// comparing its start keep working. Fails silently.
void ReportError(const char* message, std::wstring_view cause = {});

// The same for a wide description; a `source` that is not empty (a fault's
// code, the member that failed) becomes the error's source.
void ReportError(std::wstring_view description, std::wstring_view source);

}  // namespace nvx::facade
