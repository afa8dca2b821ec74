#include "runtime/loader/library_lifetime.h"

#include <string>

#include "base/common/text.h"

namespace nvx::loader {
namespace {

// Older systems lack these flags of LoadLibraryEx (Windows 7 without update
// 2533623): a load with them fails there with ERROR_INVALID_PARAMETER.
constexpr DWORD kSearchNextToTheLibrary = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;

bool IsBareName(std::wstring_view name) { return name.find_first_of(L"\\/:") == std::wstring_view::npos; }

// The folder of this library, with its trailing separator.
std::wstring OwnFolder()
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&AcquireLibrary), &self))
        return {};
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    const std::wstring_view whole(path, length);
    return std::wstring(whole.substr(0, whole.find_last_of(L"\\/") + 1));
}

std::wstring SystemFolder()
{
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(path, length) + L"\\";
}

// Loads a library by its full path; the libraries it imports are looked for
// next to it and in the system folder, not in the current directory.
HMODULE LoadByPath(const std::wstring& path)
{
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, kSearchNextToTheLibrary);
    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

// A bare name is looked for in this library's folder, then in the system
// folder, never in the current directory (where anybody may put a DLL of that
// name). A path is taken as it is.
HMODULE Load(const std::wstring& name)
{
    if (!IsBareName(name)) return LoadByPath(name);
    for (const std::wstring& folder : {OwnFolder(), SystemFolder()}) {
        if (folder.empty()) continue;
        if (HMODULE module = LoadByPath(folder + name)) return module;
    }
    return nullptr;
}

}  // namespace

LibraryUse AcquireLibrary(const char* name)
{
    LibraryUse use;
    use.module = GetModuleHandleA(name);
    if (!use.module) {
        use.module = Load(WideFromAnsi(name));
        use.loadedNow = use.module != nullptr;
    }
    return use;
}

void KeepLibrary(const LibraryUse& use)
{
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(use.module), &pinned);
}

void ReleaseUnusedLibrary(const LibraryUse& use)
{
    if (use.loadedNow) FreeLibrary(use.module);
}

}  // namespace nvx::loader
