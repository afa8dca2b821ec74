#pragma once
// Reading the registry in tests.
#include <windows.h>

#include <optional>
#include <string>

namespace nvx::test {

bool KeyExists(HKEY root, const std::wstring& path);
// The string value `name` (empty: the default value) of a key, if present.
std::optional<std::wstring> StringValue(HKEY root, const std::wstring& path, const wchar_t* name = L"");

}  // namespace nvx::test
