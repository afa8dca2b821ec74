#include "base/comframe/module_path.h"

namespace nvx::com {

HRESULT ModuleFileName(HMODULE module, std::wstring* path)
{
    constexpr size_t kLongestPath = 32768;  // the longest path Windows has
    for (size_t capacity = MAX_PATH; capacity <= kLongestPath; capacity *= 2) {
        path->assign(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(module, path->data(), static_cast<DWORD>(capacity));
        if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
        if (length < capacity) {
            path->resize(length);
            return S_OK;
        }
    }
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace nvx::com
