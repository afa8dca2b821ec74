#include "runtime/nxapi/channel_registry.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    try {
        if (reason == DLL_THREAD_DETACH) nxapi::ForgetThisThread();
        // `reserved` is set when the whole process ends: nothing needs closing then.
        if (reason == DLL_PROCESS_DETACH && !reserved) nxapi::ForgetAllThreads();
    } catch (...) {
        // Only locking could fail here; the channel then stays until unload.
    }
    return TRUE;
}
