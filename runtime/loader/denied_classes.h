#pragma once
// Classes the loader is told to refuse, so that tests can reach the paths of a
// caller whose object cannot be created. Only code inside the process can set
// the list, through the exported NxLoaderDenyClassesForTesting; nothing in the
// environment of a shipped process changes what the loader makes.
#include <windows.h>

namespace nvx::loader {

bool IsClassDenied(REFCLSID clsid);

}  // namespace nvx::loader

// Replaces the list of refused classes with `count` class ids (0 clears it).
extern "C" HRESULT WINAPI NxLoaderDenyClassesForTesting(const CLSID* classes, UINT count);
