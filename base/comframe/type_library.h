#pragma once
// Registration of the server's own type library (resource TYPELIB 1).
#include <windows.h>

namespace nvx::com {

// Machine: the classes root every user sees (needs administrator rights).
// User: HKCU\Software\Classes only, for users who are not administrators.
enum class RegistrationScope { Machine, User };

HRESULT RegisterServerTypeLibrary(RegistrationScope scope = RegistrationScope::Machine);
HRESULT UnregisterServerTypeLibrary(RegistrationScope scope = RegistrationScope::Machine);

}  // namespace nvx::com
