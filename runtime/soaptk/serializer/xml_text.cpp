#include "runtime/soaptk/serializer/xml_text.h"

#include "runtime/soaptk/serializer/utf16.h"

namespace nvx::soaptk {
namespace {

bool IsXmlChar(char32_t c)
{
    if (c < 0x20) return c == 0x9 || c == 0xA || c == 0xD;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The reference that stands for `c` in `context`, or null when `c` is written
// as itself.
const char* ReferenceFor(char32_t c, TextContext context)
{
    switch (c) {
    case U'&': return "&amp;";
    case U'<': return "&lt;";
    case U'\r': return "&#13;";
    case U'>': return context == TextContext::Content ? "&gt;" : nullptr;
    case U'"': return context == TextContext::Attribute ? "&quot;" : nullptr;
    case U'\t': return context == TextContext::Attribute ? "&#9;" : nullptr;
    case U'\n': return context == TextContext::Attribute ? "&#10;" : nullptr;
    default: return nullptr;
    }
}

}  // namespace

bool AppendEscaped(std::string& out, std::wstring_view text, TextContext context)
{
    const size_t originalSize = out.size();
    out.reserve(originalSize + text.size());
    size_t position = 0;
    while (position < text.size()) {
        const char32_t c = NextCharacter(text, &position);
        if (!IsXmlChar(c)) {
            out.resize(originalSize);
            return false;
        }
        if (const char* reference = ReferenceFor(c, context))
            out += reference;
        else
            AppendUtf8(out, c);
    }
    return true;
}

bool IsXmlText(std::wstring_view text)
{
    size_t position = 0;
    while (position < text.size())
        if (!IsXmlChar(NextCharacter(text, &position))) return false;
    return true;
}

}  // namespace nvx::soaptk
