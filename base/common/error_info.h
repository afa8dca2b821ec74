#pragma once
// The thread's automation error object, and the words for a failure status:
// what a failing member leaves behind for its caller, whether the caller came
// through the vtable or through IDispatch.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace nvx {

// Installs an error object with `description` and the interface's IID as
// the calling thread's error; a `source` that is not empty (a fault's code,
// the member that failed) becomes the error's source. Fails silently: an
// error that cannot be reported leaves the failure status alone.
void SetErrorDescription(REFIID iid, std::wstring_view description, std::wstring_view source = {}) noexcept;

// The same, for a member's return statement: installs the error and returns
// `status`.
HRESULT ReportFailure(HRESULT status, REFGUID guid, std::wstring_view description) noexcept;

// The description of the thread's error object, which is taken (cleared);
// empty when there is none.
std::wstring TakeErrorDescription();

// Why a call that returned `failure` failed: the description it left in the
// thread's error object (which is taken), else the status's words. Clear
// the error object before the call.
std::wstring FailureReason(HRESULT failure);

// The system's words for a status, WinHTTP's own included, and its code in
// hex: "The operation timed out (0x80072EE2)".
std::wstring FailureText(HRESULT failure);

}  // namespace nvx
