#pragma once
// Class objects of in-process servers that system activation found, kept per
// thread while COM is initialised on it. Under Wine every CoCreateInstance
// walks the registry (~0.2–0.5 ms); a caller that makes the same class for
// every call pays that once per apartment.
#include <windows.h>

namespace nvx::loader {

// A new object of `clsid` from the thread's cached in-process class object,
// fetched with CoGetClassObject the first time; a failure status when the
// class has no in-process server (the caller then activates it in any context).
HRESULT CreateFromCachedClassObject(REFCLSID clsid, REFIID iid, void** out);

}  // namespace nvx::loader
