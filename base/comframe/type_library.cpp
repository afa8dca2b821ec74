#include "base/comframe/type_library.h"

#include <oleauto.h>

#include <string>

#include "base/comframe/module.h"
#include "base/comframe/module_path.h"
#include "base/common/com_boundary.h"
#include "base/common/com_ptr.h"

namespace nvx::com {
namespace {

// Loads the library from the module itself, else from the ".tlb" beside it.
HRESULT LoadServerTypeLibrary(ITypeLib** library, std::wstring* loadedFrom)
{
    std::wstring path;
    HRESULT hr = ModuleFileName(Module::Instance(), &path);
    if (FAILED(hr)) return hr;
    hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
    if (FAILED(hr)) {
        const size_t dot = path.find_last_of(L'.');
        const size_t separator = path.find_last_of(L"\\/");
        if (dot != std::wstring::npos && (separator == std::wstring::npos || dot > separator)) path.resize(dot);
        path += L".tlb";
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library);
    }
    if (SUCCEEDED(hr)) *loadedFrom = path;
    return hr;
}

template <typename Function>
Function AutomationFunction(const char* name)
{
    HMODULE automation = GetModuleHandleW(L"oleaut32.dll");
    return automation ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(automation, name))) : nullptr;
}

// The per-user form where the system has it; otherwise the machine form,
// which the caller has already redirected to the user's classes.
HRESULT RegisterLibrary(ITypeLib* library, wchar_t* path, wchar_t* helpDirectory, RegistrationScope scope)
{
    using RegisterForUser = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
    auto forUser =
        scope == RegistrationScope::User ? AutomationFunction<RegisterForUser>("RegisterTypeLibForUser") : nullptr;
    return forUser ? forUser(library, path, helpDirectory) : RegisterTypeLib(library, path, helpDirectory);
}

}  // namespace

HRESULT RegisterServerTypeLibrary(RegistrationScope scope)
{
    return ComBoundary([scope]() -> HRESULT {
        ComPtr<ITypeLib> library;
        std::wstring path;
        const HRESULT hr = LoadServerTypeLibrary(&library, &path);
        if (FAILED(hr)) return hr;
        std::wstring helpDirectory = path.substr(0, path.find_last_of(L"\\/:") + 1);
        return RegisterLibrary(library.Get(), path.data(), helpDirectory.data(), scope);
    });
}

HRESULT UnregisterServerTypeLibrary(RegistrationScope scope)
{
    return ComBoundary([scope]() -> HRESULT {
        ComPtr<ITypeLib> library;
        std::wstring path;
        HRESULT hr = LoadServerTypeLibrary(&library, &path);
        if (FAILED(hr)) return hr;
        TLIBATTR* attr = nullptr;
        hr = library->GetLibAttr(&attr);
        if (FAILED(hr)) return hr;
        using Unregister = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
        auto unregister =
            scope == RegistrationScope::User ? AutomationFunction<Unregister>("UnRegisterTypeLibForUser") : nullptr;
        if (!unregister) unregister = AutomationFunction<Unregister>("UnRegisterTypeLib");
        if (unregister) hr = unregister(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
        library->ReleaseTLibAttr(attr);
        return hr;
    });
}

}  // namespace nvx::com
