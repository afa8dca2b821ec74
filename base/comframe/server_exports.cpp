// The exported entry points of an in-process COM server built on this frame.
#include <windows.h>

#include "base/comframe/class_factory.h"
#include "base/comframe/module.h"
#include "base/comframe/server_registration.h"

using nvx::com::Module;
using nvx::com::RegistrationScope;

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

STDAPI DllRegisterServer() { return nvx::com::RegisterServer(RegistrationScope::Machine); }

STDAPI DllUnregisterServer() { return nvx::com::UnregisterServer(RegistrationScope::Machine); }

// regsvr32 /n /i:user registers for the current user only; /u /n /i:user
// removes exactly that.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    RegistrationScope scope;
    const HRESULT hr = nvx::com::ParseInstallCommandLine(commandLine ? commandLine : L"", &scope);
    return FAILED(hr) ? hr : nvx::com::InstallServer(install != FALSE, scope);
}
