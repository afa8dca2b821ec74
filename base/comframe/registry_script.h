#pragma once
// Registry scripts: the text form in which each class describes its
// registration entries, parsed and applied here.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {GUID} = s 'Description'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// A key is a bare word, a braced GUID or a quoted text, optionally followed by
// "= s 'text'" (its default value) or "= d 'number'", and by a block of
// subkeys and "val name = s 'text'" named values. Quotes inside quoted text are
// doubled. NoRemove keys survive unregistration; ForceRemove keys are deleted
// with all they hold before registration and at unregistration; other keys are
// deleted at unregistration once nothing foreign is left in them.
#include <windows.h>

#include <string>
#include <string_view>

namespace nvx::com {

enum class RegistryMode { Register, Unregister };

// The status of a script that does not follow the syntax.
constexpr HRESULT kMalformedRegistryScript = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

// Replaces "%MODULE%" with the module path, doubling its single quotes.
std::wstring ExpandModulePath(std::wstring_view script, std::wstring_view modulePath);

// Parses the whole script first, so a malformed one changes nothing.
HRESULT RunRegistryScript(std::wstring_view script, RegistryMode mode);

// Runs resource `id` of type "REGISTRY" of `module`, with "%MODULE%" expanded.
HRESULT RunRegistryScriptResource(HMODULE module, UINT id, RegistryMode mode);

}  // namespace nvx::com
