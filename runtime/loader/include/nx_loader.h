#pragma once
// The component loader's entry point. Callers import it by ordinal 2 through
// the import library `nxloader_import`.
#include <windows.h>

// A new object of `clsid`, asked for `iid`, with one reference for the caller:
// from the named library's own class objects when it serves the class, else
// through system activation. On failure `*out` is null.
extern "C" HRESULT WINAPI CreateFromLibrary(const char* library, REFCLSID clsid, REFIID iid, void** out);
