#pragma once
// Walking UTF-16 text by whole Unicode characters.
#include <string_view>

namespace nvx::soaptk {

// Stands for a lone surrogate, which is no character at all.
inline constexpr char32_t kNotACharacter = 0xFFFFFFFF;

// The character starting at `*position` (which must be inside `text`),
// advancing past it.
inline char32_t NextCharacter(std::wstring_view text, size_t* position)
{
    const char32_t unit = text[(*position)++];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (*position < text.size() && text[*position] >= 0xDC00 && text[*position] <= 0xDFFF) {
            const char32_t low = text[(*position)++];
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        return kNotACharacter;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) return kNotACharacter;
    return unit;
}

}  // namespace nvx::soaptk
