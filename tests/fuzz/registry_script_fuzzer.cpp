// The registry script parser on arbitrary text: it never crashes, and what it
// accepts it reads back the same from its own canonical form.
#include <cstdint>
#include <string>

#include "base/comframe/registry_script_parser.h"
#include "fuzz_check.h"

using nvx::com::ParseRegistryScript;
using nvx::com::RegistryRoot;
using nvx::com::ScriptKey;
using nvx::com::ScriptRoot;
using nvx::com::ScriptValue;

namespace {

std::wstring Quoted(const std::wstring& text)
{
    std::wstring quoted = L"'";
    for (const wchar_t c : text) {
        quoted.push_back(c);
        if (c == L'\'') quoted.push_back(L'\'');
    }
    return quoted + L"'";
}

std::wstring Assignment(const ScriptValue& value)
{
    return std::wstring(L" = ") + value.type + L" " + Quoted(value.text);
}

void Write(const ScriptKey& key, std::wstring& out)
{
    if (key.noRemove) out += L"NoRemove ";
    if (key.forceRemove) out += L"ForceRemove ";
    out += Quoted(key.name);
    if (key.defaultValue) out += Assignment(*key.defaultValue);
    out += L"\n{\n";
    for (const ScriptValue& value : key.values) out += L"val " + Quoted(value.name) + Assignment(value) + L"\n";
    for (const ScriptKey& subkey : key.subkeys) Write(subkey, out);
    out += L"}\n";
}

std::wstring Canonical(const std::vector<ScriptRoot>& roots)
{
    constexpr const wchar_t* kRootNames[] = {L"HKCR", L"HKCU", L"HKLM", L"HKU"};
    std::wstring out;
    for (const ScriptRoot& root : roots) {
        out += kRootNames[static_cast<int>(root.root)];
        out += L"\n{\n";
        for (const ScriptKey& key : root.subkeys) Write(key, out);
        out += L"}\n";
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Scripts are ANSI text widened byte for byte; the grammar is ASCII.
    const std::wstring script(data, data + size);
    const auto roots = ParseRegistryScript(script);
    if (!roots) return 0;
    const auto again = ParseRegistryScript(Canonical(*roots));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *roots);
    return 0;
}
