#pragma once
// Text as it goes into a message: UTF-16 in, UTF-8 out, with the characters
// that would be taken for markup written as references.
#include <string>
#include <string_view>

namespace nvx::soaptk {

enum class TextContext {
    Content,    // between tags: &, <, > escaped; CR as &#13; so it survives
                // the receiver's line-end normalisation
    Attribute,  // inside a double-quoted attribute value: &, <, " escaped, and
                // tab, CR and LF as references so that value normalisation
                // keeps them
};

// Appends `text` to `out` in UTF-8, escaped for `context`. Returns false and
// leaves `out` as it was when the text holds something no XML 1.0 document
// can carry: a lone surrogate, a control character other than tab, CR and LF,
// or U+FFFE/U+FFFF.
bool AppendEscaped(std::string& out, std::wstring_view text, TextContext context);

// Whether AppendEscaped would accept the text.
bool IsXmlText(std::wstring_view text);

}  // namespace nvx::soaptk
