#pragma once
// The automation error object a failed WSDL-driven call leaves behind, so that
// a script sees why: a fault's text and code, a transport's failure, or the
// argument that could not be passed.
#include <string_view>

namespace nvx::wsdl {

// Installs the thread's error object: `description`, with `source` as its
// source and IComWebSvc's IID as its GUID. Fails silently.
void ReportCallFailure(std::wstring_view description, std::wstring_view source);

}  // namespace nvx::wsdl
