#pragma once
// State of one in-process COM server: its classes, its type library, the lock
// count that decides when it may be unloaded, and the actions run at unload.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <span>

namespace nvx::com {

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

// One creatable class of the server (an entry of its object map).
struct ClassEntry {
    const CLSID* clsid;
    UINT registryScript;  // resource id of type "REGISTRY"
    InstanceCreator createInstance;
    // Made once under the module's factory lock and read without it.
    std::atomic<IUnknown*> cachedFactory = nullptr;
};

struct ServerDescription {
    const GUID* libid;
    std::span<ClassEntry> classes;
    // A server in the same folder that this one cannot work without; installed
    // and removed with it (DllInstall), so one command sets up both.
    const char* companion = nullptr;
};

// Defined once by every DLL built on this frame.
ServerDescription& ThisServer();

class Module {
public:
    static void Attach(HINSTANCE instance);
    static void Detach();

    static HINSTANCE Instance();
    static const GUID& LibId();

    static LONG Lock();
    static LONG Unlock();
    static LONG LockCount();

    static std::mutex& TypeInfoLock();
    static std::mutex& ClassFactoryLock();

    // Runs at process detach, newest first.
    static void AddShutdownAction(std::function<void()> action);
};

}  // namespace nvx::com
