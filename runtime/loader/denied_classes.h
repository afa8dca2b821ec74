#pragma once
// Classes the loader is told to refuse, so that tests can reach the paths of a
// caller whose object cannot be created. The environment variable
// NXLOADER_DENY holds a comma-separated list of class ids in their braced form,
// e.g. "{ADE424F3-AA10-471D-8A0A-687534555900},{FDE424F3-...}"; entries that are
// not class ids are ignored. It is read on every call, so a test may change it
// while the process runs.
#include <windows.h>

namespace nvx::loader {

inline constexpr wchar_t kDenyVariable[] = L"NXLOADER_DENY";

bool IsClassDenied(REFCLSID clsid);

}  // namespace nvx::loader
