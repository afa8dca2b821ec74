#pragma once
// Cached class factories of the server's object map.
#include <windows.h>

namespace nvx::com {

// The body of DllGetClassObject.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

// Releases the object map's own references (at process detach).
void ReleaseCachedFactories();

}  // namespace nvx::com
