#include "runtime/loader/denied_classes.h"

#include <objbase.h>

#include <string>
#include <string_view>

namespace nvx::loader {
namespace {

// Far more than any list of the handful of classes a test denies.
constexpr DWORD kMaxListLength = 64 * 1024;

std::wstring DenyList()
{
    std::wstring list(256, L'\0');
    DWORD length = GetEnvironmentVariableW(kDenyVariable, list.data(), static_cast<DWORD>(list.size()));
    if (length >= list.size() && length <= kMaxListLength) {
        list.resize(length);
        length = GetEnvironmentVariableW(kDenyVariable, list.data(), static_cast<DWORD>(list.size()));
    }
    if (length >= list.size()) return {};
    list.resize(length);
    return list;
}

std::wstring_view Trimmed(std::wstring_view text)
{
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) return {};
    const size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

// IIDFromString, unlike CLSIDFromString, never looks a ProgID up in the registry.
bool NamesClass(std::wstring_view entry, REFCLSID clsid)
{
    std::wstring text(Trimmed(entry));
    GUID parsed;
    return !text.empty() && SUCCEEDED(IIDFromString(text.c_str(), &parsed)) && IsEqualGUID(parsed, clsid);
}

}  // namespace

bool IsClassDenied(REFCLSID clsid)
{
    const std::wstring list = DenyList();
    std::wstring_view rest(list);
    while (!rest.empty()) {
        const size_t comma = rest.find(L',');
        if (NamesClass(rest.substr(0, comma), clsid)) return true;
        if (comma == std::wstring_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace nvx::loader
