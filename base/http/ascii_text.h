// Small byte-string routines shared by the header parser and the URL rules.
// Only ASCII is folded or trimmed: bytes of 0x80 and above belong to the
// ANSI or UTF-8 text around them and are left alone.
#pragma once

#include <string_view>

namespace nvx::http {

char ToLowerAscii(char c) noexcept;

// Whole-string comparison with the ASCII letters folded: "deflate" equals
// "DEFLATE" but not "deflate, gzip".
bool EqualsNoCase(std::string_view a, std::string_view b) noexcept;

// The text without leading and trailing space, HT, LF, VT, FF and CR.
std::string_view TrimSpaces(std::string_view text) noexcept;

// Orders texts byte by byte as unsigned bytes with the ASCII letters folded, so
// that "content-encoding" and "Content-Encoding" are one key. Transparent, so
// a map keyed by it can be searched with a string_view.
struct LessNoCase {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

}  // namespace nvx::http
