#pragma once
// Registration of the whole server: its classes' registry scripts and its
// type library, for every user of the machine or for the current user only,
// and with it the companion server beside it (DllInstall).
#include <windows.h>

#include <string_view>

#include "base/comframe/type_library.h"

namespace nvx::com {

HRESULT RegisterServer(RegistrationScope scope);
HRESULT UnregisterServer(RegistrationScope scope);

// DllInstall's command line: "user" (any case) installs for the current user
// only; an empty one for the machine; anything else is refused.
HRESULT ParseInstallCommandLine(std::wstring_view commandLine, RegistrationScope* scope);

// The whole of DllInstall: this server and its companion, installed or removed.
HRESULT InstallServer(bool install, RegistrationScope scope);

}  // namespace nvx::com
