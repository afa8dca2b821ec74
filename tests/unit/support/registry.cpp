#include "registry.h"

namespace nvx::test {

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::optional<std::wstring> StringValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    const LONG status = RegGetValueW(root, path.c_str(), *name ? name : nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer);
}

}  // namespace nvx::test
