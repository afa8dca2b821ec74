#pragma once
// The registry script language (see registry_script.h), parsed into keys and
// values without touching any registry. Portable, so that it builds natively
// and can be fuzzed.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nvx::com {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

struct ScriptValue {
    std::wstring name;    // empty: the key's default value
    wchar_t type = L's';  // 's' text, 'd' number
    std::wstring text;

    bool operator==(const ScriptValue&) const = default;
};

struct ScriptKey {
    std::wstring name;
    bool noRemove = false;
    bool forceRemove = false;
    std::optional<ScriptValue> defaultValue;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> subkeys;

    bool operator==(const ScriptKey&) const = default;
};

struct ScriptRoot {
    RegistryRoot root;
    std::vector<ScriptKey> subkeys;

    bool operator==(const ScriptRoot&) const = default;
};

// Keys nest at most this deep, as in the registry itself.
inline constexpr int kMaxScriptKeyDepth = 512;

// The script's roots and their keys; nothing when the script does not follow
// the syntax or nests deeper than kMaxScriptKeyDepth.
std::optional<std::vector<ScriptRoot>> ParseRegistryScript(std::wstring_view script);

}  // namespace nvx::com
