#include "base/comframe/registry_script.h"

#include <vector>

#include "base/comframe/module_path.h"
#include "base/comframe/registry_script_parser.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"

namespace nvx::com {
namespace {

HKEY RootKeyHandle(RegistryRoot root)
{
    switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
    }
    return HKEY_CLASSES_ROOT;
}

class Applier {
public:
    HRESULT Register(HKEY parent, const ScriptKey& key)
    {
        if (key.forceRemove) RegDeleteTreeW(parent, key.name.c_str());
        HKEY handle = nullptr;
        LONG status =
            RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        HRESULT hr = S_OK;
        if (key.defaultValue) hr = SetValue(handle, *key.defaultValue);
        for (const auto& value : key.values)
            if (SUCCEEDED(hr)) hr = SetValue(handle, value);
        for (const auto& subkey : key.subkeys)
            if (SUCCEEDED(hr)) hr = Register(handle, subkey);
        RegCloseKey(handle);
        return hr;
    }

    void Unregister(HKEY parent, const ScriptKey& key)
    {
        if (key.forceRemove) {
            RegDeleteTreeW(parent, key.name.c_str());
            return;
        }
        HKEY handle = nullptr;
        if (RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
        for (const auto& subkey : key.subkeys) Unregister(handle, subkey);
        if (!key.noRemove) {
            if (key.defaultValue) RegDeleteValueW(handle, nullptr);
            for (const auto& value : key.values) RegDeleteValueW(handle, value.name.c_str());
        }
        const bool empty = IsEmpty(handle);
        RegCloseKey(handle);
        if (!key.noRemove && empty) RegDeleteKeyW(parent, key.name.c_str());
    }

private:
    static HRESULT SetValue(HKEY key, const ScriptValue& value)
    {
        const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
        LONG status;
        if (value.type == L'd') {
            const DWORD number = wcstoul(value.text.c_str(), nullptr, 0);
            status = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        } else {
            const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
            status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()), bytes);
        }
        return HRESULT_FROM_WIN32(status);
    }

    static bool IsEmpty(HKEY key)
    {
        DWORD subkeys = 0, values = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        return subkeys == 0 && values == 0;
    }
};

}  // namespace

std::wstring ExpandModulePath(std::wstring_view script, std::wstring_view modulePath)
{
    static constexpr std::wstring_view kToken = L"%MODULE%";
    std::wstring quotedPath;
    for (const wchar_t c : modulePath) {
        quotedPath.push_back(c);
        if (c == L'\'') quotedPath.push_back(L'\'');
    }
    std::wstring out;
    size_t position = 0;
    for (size_t found; (found = script.find(kToken, position)) != std::wstring_view::npos;
         position = found + kToken.size()) {
        out.append(script.substr(position, found - position));
        out.append(quotedPath);
    }
    out.append(script.substr(position));
    return out;
}

HRESULT RunRegistryScript(std::wstring_view script, RegistryMode mode)
{
    return ComBoundary([&]() -> HRESULT {
        const std::optional<std::vector<ScriptRoot>> roots = ParseRegistryScript(script);
        if (!roots) return kMalformedRegistryScript;
        Applier applier;
        for (const auto& root : *roots) {
            const HKEY rootKey = RootKeyHandle(root.root);
            for (const auto& key : root.subkeys) {
                if (mode == RegistryMode::Unregister) {
                    applier.Unregister(rootKey, key);
                    continue;
                }
                const HRESULT hr = applier.Register(rootKey, key);
                if (FAILED(hr)) return hr;
            }
        }
        return S_OK;
    });
}

HRESULT RunRegistryScriptResource(HMODULE module, UINT id, RegistryMode mode)
{
    return ComBoundary([&]() -> HRESULT {
        HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
        HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
        const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        if (!bytes) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NOT_FOUND);
        const std::wstring script = WideFromAnsi(std::string_view(bytes, SizeofResource(module, resource)));

        std::wstring path;
        const HRESULT hr = ModuleFileName(module, &path);
        if (FAILED(hr)) return hr;
        return RunRegistryScript(ExpandModulePath(script, path), mode);
    });
}

}  // namespace nvx::com
