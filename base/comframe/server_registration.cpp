#include "base/comframe/server_registration.h"

#include <optional>
#include <string>

#include "base/comframe/module.h"
#include "base/comframe/module_path.h"
#include "base/comframe/registry_script.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"

namespace nvx::com {
namespace {

constexpr wchar_t kUserClasses[] = L"Software\\Classes";

// While alive, everything this process writes under HKEY_CLASSES_ROOT (our
// registry scripts, the system's type library registration) lands in the
// current user's classes instead; that is how a per-user registration reuses
// the very scripts of the machine-wide one.
class UserClassesRoot {
public:
    UserClassesRoot()
    {
        LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kUserClasses, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      &classes_, nullptr);
        if (status == ERROR_SUCCESS) status = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_);
        status_ = HRESULT_FROM_WIN32(status);
    }
    ~UserClassesRoot()
    {
        if (SUCCEEDED(status_)) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (classes_) RegCloseKey(classes_);
    }
    UserClassesRoot(const UserClassesRoot&) = delete;
    UserClassesRoot& operator=(const UserClassesRoot&) = delete;

    HRESULT Status() const { return status_; }

private:
    HKEY classes_ = nullptr;
    HRESULT status_ = E_FAIL;
};

HRESULT RunScripts(RegistryMode mode)
{
    for (const auto& entry : ThisServer().classes) {
        const HRESULT hr = RunRegistryScriptResource(Module::Instance(), entry.registryScript, mode);
        if (FAILED(hr) && mode == RegistryMode::Register) return hr;
    }
    return S_OK;
}

// The companion is asked to do the same through its own DllInstall, so each
// server keeps its registration to itself.
HRESULT InstallCompanion(bool install, RegistrationScope scope)
{
    const char* companion = ThisServer().companion;
    if (!companion) return S_OK;
    std::wstring path;
    HRESULT hr = ModuleFileName(Module::Instance(), &path);
    if (FAILED(hr)) return hr;
    path.resize(path.find_last_of(L"\\/") + 1);
    path += WideFromAnsi(companion);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using Install = HRESULT(WINAPI*)(BOOL, LPCWSTR);
    auto installEntry = reinterpret_cast<Install>(reinterpret_cast<void*>(GetProcAddress(module, "DllInstall")));
    hr = installEntry ? installEntry(install, scope == RegistrationScope::User ? L"user" : L"")
                      : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    return hr;
}

}  // namespace

HRESULT RegisterServer(RegistrationScope scope)
{
    std::optional<UserClassesRoot> root;
    if (scope == RegistrationScope::User && FAILED(root.emplace().Status())) return root->Status();
    const HRESULT hr = RunScripts(RegistryMode::Register);
    return FAILED(hr) ? hr : RegisterServerTypeLibrary(scope);
}

// Removes what it can and reports success, as a half-removed server is best
// left with as little as possible.
HRESULT UnregisterServer(RegistrationScope scope)
{
    std::optional<UserClassesRoot> root;
    if (scope == RegistrationScope::User && FAILED(root.emplace().Status())) return root->Status();
    RunScripts(RegistryMode::Unregister);
    UnregisterServerTypeLibrary(scope);
    return S_OK;
}

HRESULT ParseInstallCommandLine(std::wstring_view commandLine, RegistrationScope* scope)
{
    if (commandLine.empty()) {
        *scope = RegistrationScope::Machine;
        return S_OK;
    }
    if (commandLine.size() == 4 && _wcsnicmp(commandLine.data(), L"user", 4) == 0) {
        *scope = RegistrationScope::User;
        return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT InstallServer(bool install, RegistrationScope scope)
{
    return ComBoundary([&]() -> HRESULT {
        if (!install) {
            InstallCompanion(false, scope);
            return UnregisterServer(scope);
        }
        const HRESULT hr = RegisterServer(scope);
        return FAILED(hr) ? hr : InstallCompanion(true, scope);
    });
}

}  // namespace nvx::com
