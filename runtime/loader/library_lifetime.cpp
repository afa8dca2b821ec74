#include "runtime/loader/library_lifetime.h"

namespace nvx::loader {

LibraryUse AcquireLibrary(const char* name)
{
    LibraryUse use;
    use.module = GetModuleHandleA(name);
    if (!use.module) {
        use.module = LoadLibraryA(name);
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
