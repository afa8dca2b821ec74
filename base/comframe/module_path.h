#pragma once
#include <windows.h>

#include <string>

namespace nvx::com {

// The full path of a loaded module, however long.
HRESULT ModuleFileName(HMODULE module, std::wstring* path);

}  // namespace nvx::com
