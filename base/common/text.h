#pragma once
// Conversions between the text forms the library meets: UTF-16 (automation),
// the system ANSI code page (names, paths, HTTP heads) and UTF-8 (XML bodies).
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace nvx {

std::string NarrowFromWide(std::wstring_view text, UINT codePage);
std::wstring WideFromNarrow(std::string_view text, UINT codePage);

inline std::string AnsiFromWide(std::wstring_view text) { return NarrowFromWide(text, CP_ACP); }
inline std::wstring WideFromAnsi(std::string_view text) { return WideFromNarrow(text, CP_ACP); }
inline std::string Utf8FromWide(std::wstring_view text) { return NarrowFromWide(text, CP_UTF8); }
inline std::wstring WideFromUtf8(std::string_view text) { return WideFromNarrow(text, CP_UTF8); }

// The text of a BSTR, whole (embedded NULs included); null gives "".
inline std::wstring_view ViewOf(BSTR text)
{
    return text ? std::wstring_view(text, SysStringLen(text)) : std::wstring_view();
}

}  // namespace nvx
