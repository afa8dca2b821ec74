// The exported entry points of an in-process COM server built on this frame.
#include <windows.h>

#include "base/comframe/class_factory.h"
#include "base/comframe/module.h"
#include "base/comframe/registry_script.h"
#include "base/comframe/type_library.h"

using nvx::com::Module;
using nvx::com::RegistryMode;

// A set `reserved` at detach means the process is ending: its other threads
// are gone, perhaps holding locks of ours, and the DLLs the cached objects
// live in may be detached already. The system takes everything back then, so
// only an unload while the process goes on releases what the module holds.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Module::Attach(instance);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        Module::Detach();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return nvx::com::GetClassObject(clsid, iid, out); }

STDAPI DllCanUnloadNow() { return Module::LockCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer()
{
    for (const auto& entry : nvx::com::ThisServer().classes) {
        const HRESULT hr =
            nvx::com::RunRegistryScriptResource(Module::Instance(), entry.registryScript, RegistryMode::Register);
        if (FAILED(hr)) return hr;
    }
    return nvx::com::RegisterServerTypeLibrary();
}

STDAPI DllUnregisterServer()
{
    for (const auto& entry : nvx::com::ThisServer().classes)
        nvx::com::RunRegistryScriptResource(Module::Instance(), entry.registryScript, RegistryMode::Unregister);
    nvx::com::UnregisterServerTypeLibrary();
    return S_OK;
}
