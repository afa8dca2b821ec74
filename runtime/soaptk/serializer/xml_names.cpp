#include "runtime/soaptk/serializer/xml_names.h"

#include "runtime/soaptk/serializer/utf16.h"

namespace nvx::soaptk {
namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// The NameStartChar production of XML 1.0 (fifth edition), without the colon.
constexpr Range kNameStartRanges[] = {
    {U'A', U'Z'},     {U'_', U'_'},     {U'a', U'z'},     {0xC0, 0xD6},     {0xD8, 0xF6},
    {0xF8, 0x2FF},    {0x370, 0x37D},   {0x37F, 0x1FFF},  {0x200C, 0x200D}, {0x2070, 0x218F},
    {0x2C00, 0x2FEF}, {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD}, {0x10000, 0xEFFFF},
};

// What NameChar adds to NameStartChar.
constexpr Range kNameMoreRanges[] = {
    {U'-', U'.'}, {U'0', U'9'}, {0xB7, 0xB7}, {0x300, 0x36F}, {0x203F, 0x2040},
};

template <size_t N>
bool InRanges(const Range (&ranges)[N], char32_t c)
{
    for (const Range& range : ranges)
        if (c >= range.first && c <= range.last) return true;
    return false;
}

}  // namespace

bool IsNcName(std::wstring_view name)
{
    if (name.empty()) return false;
    size_t position = 0;
    if (!InRanges(kNameStartRanges, NextCharacter(name, &position))) return false;
    while (position < name.size()) {
        const char32_t c = NextCharacter(name, &position);
        if (!InRanges(kNameStartRanges, c) && !InRanges(kNameMoreRanges, c)) return false;
    }
    return true;
}

}  // namespace nvx::soaptk
