#include "base/comframe/registry_script.h"

#include <cwctype>
#include <optional>
#include <vector>

#include "base/comframe/module_path.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"

namespace nvx::com {
namespace {

struct ScriptValue {
    std::wstring name;  // empty: the key's default value
    wchar_t type = L's';
    std::wstring text;
};

struct ScriptKey {
    std::wstring name;
    bool noRemove = false;
    bool forceRemove = false;
    std::optional<ScriptValue> defaultValue;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> subkeys;
};

struct ScriptRoot {
    HKEY key;
    std::vector<ScriptKey> subkeys;
};

struct MalformedScript {};

enum class TokenKind { Word, Quoted, Open, Close, Equals, End };

struct Token {
    TokenKind kind;
    std::wstring text;
};

class Tokenizer {
public:
    explicit Tokenizer(std::wstring_view text) : text_(text) {}

    Token Next()
    {
        SkipSpace();
        if (position_ >= text_.size()) return {TokenKind::End, {}};
        const wchar_t c = text_[position_];
        if (c == L'=') return Single(TokenKind::Equals);
        if (c == L'}') return Single(TokenKind::Close);
        if (c == L'{') return BracedGuidAhead() ? Word() : Single(TokenKind::Open);
        if (c == L'\'') return Quoted();
        return Word();
    }

private:
    void SkipSpace()
    {
        while (position_ < text_.size() && std::iswspace(text_[position_])) ++position_;
    }

    Token Single(TokenKind kind)
    {
        ++position_;
        return {kind, {}};
    }

    // "{" directly followed by a hex digit begins a GUID key name, not a block.
    bool BracedGuidAhead() const { return position_ + 1 < text_.size() && std::iswxdigit(text_[position_ + 1]); }

    Token Word()
    {
        const size_t start = position_;
        const bool braced = text_[position_] == L'{';
        while (position_ < text_.size()) {
            const wchar_t c = text_[position_];
            if (braced) {
                ++position_;
                if (c == L'}') break;
                continue;
            }
            if (std::iswspace(c) || c == L'=' || c == L'{' || c == L'}' || c == L'\'') break;
            ++position_;
        }
        return {TokenKind::Word, std::wstring(text_.substr(start, position_ - start))};
    }

    Token Quoted()
    {
        std::wstring text;
        ++position_;
        while (position_ < text_.size()) {
            const wchar_t c = text_[position_++];
            if (c != L'\'') {
                text.push_back(c);
                continue;
            }
            if (position_ < text_.size() && text_[position_] == L'\'') {
                text.push_back(L'\'');
                ++position_;
                continue;
            }
            return {TokenKind::Quoted, std::move(text)};
        }
        throw MalformedScript{};
    }

    std::wstring_view text_;
    size_t position_ = 0;
};

bool EqualsNoCase(std::wstring_view a, const wchar_t* b) { return _wcsicmp(std::wstring(a).c_str(), b) == 0; }

std::optional<HKEY> RootKey(std::wstring_view name)
{
    if (EqualsNoCase(name, L"HKCR") || EqualsNoCase(name, L"HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
    if (EqualsNoCase(name, L"HKCU") || EqualsNoCase(name, L"HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
    if (EqualsNoCase(name, L"HKLM") || EqualsNoCase(name, L"HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
    if (EqualsNoCase(name, L"HKU") || EqualsNoCase(name, L"HKEY_USERS")) return HKEY_USERS;
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(std::wstring_view text) : tokens_(text) { Advance(); }

    std::vector<ScriptRoot> Roots()
    {
        std::vector<ScriptRoot> roots;
        while (current_.kind != TokenKind::End) {
            const auto root = RootKey(Expect(TokenKind::Word).text);
            if (!root) throw MalformedScript{};
            Expect(TokenKind::Open);
            roots.push_back({*root, Keys()});
        }
        return roots;
    }

private:
    void Advance() { current_ = tokens_.Next(); }

    Token Expect(TokenKind kind)
    {
        if (current_.kind != kind) throw MalformedScript{};
        Token token = std::move(current_);
        Advance();
        return token;
    }

    std::wstring Name()
    {
        if (current_.kind != TokenKind::Word && current_.kind != TokenKind::Quoted) throw MalformedScript{};
        return Expect(current_.kind).text;
    }

    // Reads "= s 'text'" or "= d 'number'" after a name.
    ScriptValue Assignment(std::wstring name)
    {
        Expect(TokenKind::Equals);
        const std::wstring type = Expect(TokenKind::Word).text;
        if (type != L"s" && type != L"d") throw MalformedScript{};
        ScriptValue value{std::move(name), type[0], {}};
        value.text = current_.kind == TokenKind::Quoted ? Expect(TokenKind::Quoted).text : Expect(TokenKind::Word).text;
        return value;
    }

    // Keys and named values up to the closing brace of the enclosing block.
    std::vector<ScriptKey> Keys(ScriptKey* owner = nullptr)
    {
        std::vector<ScriptKey> keys;
        while (current_.kind != TokenKind::Close) {
            if (current_.kind == TokenKind::End) throw MalformedScript{};
            if (owner && current_.kind == TokenKind::Word && EqualsNoCase(current_.text, L"val")) {
                Advance();
                owner->values.push_back(Assignment(Name()));
                continue;
            }
            keys.push_back(Key());
        }
        Advance();
        return keys;
    }

    ScriptKey Key()
    {
        ScriptKey key;
        if (current_.kind == TokenKind::Word && EqualsNoCase(current_.text, L"NoRemove")) {
            key.noRemove = true;
            Advance();
        } else if (current_.kind == TokenKind::Word && EqualsNoCase(current_.text, L"ForceRemove")) {
            key.forceRemove = true;
            Advance();
        }
        key.name = Name();
        if (current_.kind == TokenKind::Equals) key.defaultValue = Assignment({});
        if (current_.kind == TokenKind::Open) {
            Advance();
            key.subkeys = Keys(&key);
        }
        return key;
    }

    Tokenizer tokens_;
    Token current_{TokenKind::End, {}};
};

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
        std::vector<ScriptRoot> roots;
        try {
            roots = Parser(script).Roots();
        } catch (const MalformedScript&) {
            return kMalformedRegistryScript;
        }
        Applier applier;
        for (const auto& root : roots) {
            for (const auto& key : root.subkeys) {
                if (mode == RegistryMode::Unregister) {
                    applier.Unregister(root.key, key);
                    continue;
                }
                const HRESULT hr = applier.Register(root.key, key);
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
