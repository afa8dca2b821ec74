#pragma once
// Keeping a library loaded for the objects made from it.
//
// An object made from a library's own class object keeps that library's code
// in use, so the library must stay loaded for as long as such an object may
// live — which the loader cannot know. A library that has served an object is
// therefore pinned: it stays loaded for the life of the process, as system
// activation keeps the servers it loaded, however its other users load and
// free it. Pinning takes no counted reference, so repeated calls change no
// reference count. A library the loader loaded only to find that it serves
// nothing is unloaded again.
#include <windows.h>

namespace nvx::loader {

// A library in use for one call.
struct LibraryUse {
    HMODULE module = nullptr;
    bool loadedNow = false;  // this call loaded it
};

// The named library, already loaded or loaded now; a null module when it
// cannot be loaded. A bare name is looked for in the loader's own folder and
// the system folder only.
LibraryUse AcquireLibrary(const char* name);

// The library served an object: it stays loaded.
void KeepLibrary(const LibraryUse& use);

// The library served no object: a load made by this call is undone.
void ReleaseUnusedLibrary(const LibraryUse& use);

}  // namespace nvx::loader
