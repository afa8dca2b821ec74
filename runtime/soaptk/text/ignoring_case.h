#pragma once
// Comparing names the way the toolkit's users expect them matched: property
// names, URL schemes, operation names in late binding — without regard to
// letter case, ordinally (no locale's rules).
#include <windows.h>

#include <string_view>

namespace nvx::soaptk {

inline bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

inline bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view start)
{
    return text.size() >= start.size() && EqualsIgnoringCase(text.substr(0, start.size()), start);
}

}  // namespace nvx::soaptk
