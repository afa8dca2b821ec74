#pragma once
// The flat functions for callers that do not use automation: create a caller,
// run Execute2 calls on it, release it (or a returned document).
//
//   IComWebSvc* caller = InitNVXWebSvc("http://example/ns/", 5000);
//   IDispatch* document = ExecuteMethod(caller, url, "Add", names, values);
//   DeleteNVXWebSvc(document);
//   DeleteNVXWebSvc(caller);
//
// Callers made here use standard SOAP/HTTP. The functions do not initialise
// COM for the calling thread; the caller is apartment-threaded.
#include <windows.h>
#include <oleauto.h>

#include "NvxWebSvc.h"

extern "C" {

// A new caller with this namespace (ANSI; null for none) and time-out in ms
// (-1: none set), or null.
IComWebSvc* WINAPI InitNVXWebSvc(const char* nameSpace, long timeout);

// Execute2 on `caller` with the endpoint and method as ANSI text; the
// response document with one reference for the caller, or null (then the
// thread's error object tells why, when the call got that far).
IDispatch* WINAPI ExecuteMethod(IComWebSvc* caller, const char* endPointUrl, const char* webMethod, VARIANT argNames,
                                VARIANT argValues);

// Releases one reference of any interface (a caller or a document) and
// returns the remaining count; 0 for a null handle.
ULONG WINAPI DeleteNVXWebSvc(IUnknown* handle);
}
