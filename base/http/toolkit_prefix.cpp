#include "base/http/toolkit_prefix.h"

#include <cstring>
#include <string_view>

namespace nvx::http {
namespace {

constexpr std::string_view kToolkitPrefix = "SOAPSDK1";
constexpr char kPrefixSeparator = ':';
constexpr std::string_view kDeclarationStart = "xmlns:";
constexpr char kMarkupOpen = '<';
constexpr char kTagClose = '>';
constexpr std::string_view kDoubleQuote = "\"";
constexpr std::string_view kSingleQuote = "'";

// XML name characters, with every byte of a multi-byte UTF-8 character
// counted as one.
bool IsNameByte(char c) noexcept
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || c == '-' ||
           c == '.' || c == '_' || c == kPrefixSeparator || byte >= 0x80;
}

bool IsNameStartByte(char c) noexcept
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || c == '_' || byte >= 0x80;
}

// Markup that is not a tag: its text passes unchanged up to its closer.
struct Section {
    std::string_view opener;
    std::string_view closer;
};
// Longer openers first: "<!--" and "<![CDATA[" also begin with "<!".
constexpr Section kUntouchedSections[] = {
    {"<!--", "-->"},
    {"<![CDATA[", "]]>"},
    {"<?", "?>"},
    {"<!", ">"},
};

// Copies the payload onto itself, front to back, leaving out each removed
// prefix. The write position never passes the read position, so the bytes
// still to be read are never overwritten.
class PrefixRemover {
public:
    PrefixRemover(char* bytes, std::size_t length) : bytes_(bytes), length_(length) {}

    std::size_t Run()
    {
        while (read_ < length_) {
            PassText();
            if (read_ < length_) {
                PassMarkup();
            }
        }
        return write_;
    }

private:
    std::string_view Unread() const { return {bytes_ + read_, length_ - read_}; }

    void CopyUnread(std::size_t count)
    {
        if (write_ != read_) {
            std::memmove(bytes_ + write_, bytes_ + read_, count);
        }
        read_ += count;
        write_ += count;
    }

    // Copies up to and including `terminator`, or to the end when it is missing.
    void CopyThrough(std::string_view terminator, std::size_t from)
    {
        const std::size_t found = Unread().find(terminator, from);
        CopyUnread(found == std::string_view::npos ? length_ - read_ : found + terminator.size());
    }

    void PassText()
    {
        const std::size_t found = Unread().find(kMarkupOpen);
        CopyUnread(found == std::string_view::npos ? length_ - read_ : found);
    }

    void PassMarkup()
    {
        for (const Section& section : kUntouchedSections) {
            if (Unread().starts_with(section.opener)) {
                CopyThrough(section.closer, section.opener.size());
                return;
            }
        }
        PassTag();
    }

    void PassTag()
    {
        CopyUnread(1);
        while (read_ < length_) {
            const char c = bytes_[read_];
            if (c == kTagClose) {
                CopyUnread(1);
                return;
            }
            if (c == kDoubleQuote.front()) {
                CopyThrough(kDoubleQuote, 1);
            } else if (c == kSingleQuote.front()) {
                CopyThrough(kSingleQuote, 1);
            } else if (Unread().starts_with(kToolkitPrefix)) {
                PassPrefix();
            } else {
                CopyUnread(1);
            }
        }
    }

    // The token is the toolkit's prefix only as a whole part of a name: at
    // the start of a tag or attribute name, followed by the colon and a local
    // name (<SOAPSDK1:Add, </SOAPSDK1:Add, SOAPSDK1:attr), or declared right
    // after "xmlns:". "SOAPSDK12:" or "XSOAPSDK1:" are other prefixes and
    // stay, and a removal never turns a tag into other markup ("<!", "<?").
    // Checking the byte before against what was written last lets removals
    // that meet (<SOAPSDK1:SOAPSDK1:Add) all be undone.
    void PassPrefix()
    {
        const std::size_t after = read_ + kToolkitPrefix.size();
        const bool atEnd = after == length_;
        if (WrittenEndsWithName(kDeclarationStart) && (atEnd || !IsNameByte(bytes_[after]))) {
            write_ -= 1;  // the colon of "xmlns:"
            read_ = after;
        } else if (!IsNameByte(bytes_[write_ - 1]) && after + 1 < length_ && bytes_[after] == kPrefixSeparator &&
                   IsNameStartByte(bytes_[after + 1])) {
            read_ = after + 1;
        } else {
            CopyUnread(kToolkitPrefix.size());
        }
    }

    // True when the output ends with `name` and the byte before it ends a
    // name; a tag always has its "<" before any name.
    bool WrittenEndsWithName(std::string_view name) const
    {
        return write_ > name.size() && std::string_view(bytes_ + write_ - name.size(), name.size()) == name &&
               !IsNameByte(bytes_[write_ - name.size() - 1]);
    }

    char* bytes_;
    std::size_t length_;
    std::size_t read_ = 0;
    std::size_t write_ = 0;
};

}  // namespace

std::uint32_t RemoveToolkitPrefix(char* bytes, std::uint32_t length)
{
    if (bytes == nullptr) {
        return 0;
    }
    return static_cast<std::uint32_t>(PrefixRemover(bytes, length).Run());
}

}  // namespace nvx::http
