#pragma once
// Registration of the server's own type library (resource TYPELIB 1).
#include <windows.h>

namespace nvx::com {

HRESULT RegisterServerTypeLibrary();
HRESULT UnregisterServerTypeLibrary();

}  // namespace nvx::com
