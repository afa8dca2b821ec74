#include "base/common/text.h"

#include <climits>
#include <new>

namespace nvx {

std::string NarrowFromWide(std::wstring_view text, UINT codePage)
{
    if (text.empty()) return {};
    if (text.size() > INT_MAX) throw std::bad_alloc();
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(needed > 0 ? needed : 0, '\0');
    if (needed > 0) WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
    return out;
}

std::wstring WideFromNarrow(std::string_view text, UINT codePage)
{
    if (text.empty()) return {};
    if (text.size() > INT_MAX) throw std::bad_alloc();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::wstring out(needed > 0 ? needed : 0, L'\0');
    if (needed > 0) MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), needed);
    return out;
}

}  // namespace nvx
