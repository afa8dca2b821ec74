// Which characters may stand in a header value and in a request target, for
// text of every width the connectors send.
#include <gtest/gtest.h>

#include <string>

#include "base/http/header_text.h"

namespace nvx::http {
namespace {

template <class Char> void CheckEveryUnitUpTo(unsigned last)
{
    for (unsigned unit = 0; unit <= last; ++unit) {
        const std::basic_string<Char> text{Char('a'), static_cast<Char>(unit), Char('b')};
        const std::basic_string_view<Char> view(text);
        const bool breaksALine = unit == '\r' || unit == '\n' || unit == 0;
        const bool endsTheTarget = unit <= ' ' || unit == 0x7F;
        EXPECT_EQ(IsHeaderValueText(view), !breaksALine) << "unit " << unit;
        EXPECT_EQ(IsRequestTargetText(view), !endsTheTarget) << "unit " << unit;
    }
}

TEST(HeaderText, RefusesExactlyTheUnitsThatBreakTheHead)
{
    CheckEveryUnitUpTo<char>(0xFF);
    // A wide character is never taken for the byte it ends in: U+010D is not CR.
    CheckEveryUnitUpTo<char16_t>(0xFFFF);
    CheckEveryUnitUpTo<wchar_t>(0x1FFFF);
}

}  // namespace
}  // namespace nvx::http
