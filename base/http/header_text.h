// The rule for text that becomes part of a request head. A header value with
// a CR or LF in it would start a header line of the caller's choosing, and a
// request target with a space or control character would end the request line
// early; a NUL cuts the text short wherever C strings carry it. Both
// connectors apply these checks before anything is sent, so text of either
// width is accepted.
#pragma once

#include <string_view>
#include <type_traits>

namespace nvx::http {

// Why a text was refused, for the error descriptions of the callers.
inline constexpr char kHeaderValueRule[] = "a line break or NUL character cannot be sent in an HTTP header";
inline constexpr char kRequestTargetRule[] = "spaces and control characters cannot be sent in a URL";

template <class Char>
constexpr bool IsHeaderValueText(std::basic_string_view<Char> text) noexcept
{
    for (const Char c : text) {
        if (c == Char('\r') || c == Char('\n') || c == Char('\0')) {
            return false;
        }
    }
    return true;
}

// No control character (0x00 to 0x1F, 0x7F) and no space (RFC 9112, 3.2).
// Bytes of 0x80 and above are left to the server, as they always were.
template <class Char>
constexpr bool IsRequestTargetText(std::basic_string_view<Char> text) noexcept
{
    using Unit = std::make_unsigned_t<Char>;
    for (const Char c : text) {
        const auto unit = static_cast<Unit>(c);
        if (unit <= Unit(' ') || unit == Unit(0x7F)) {
            return false;
        }
    }
    return true;
}

}  // namespace nvx::http
