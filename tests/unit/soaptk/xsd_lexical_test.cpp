// Values in XML-schema lexical form, both ways, whatever the locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "base/common/variant.h"
#include "runtime/soaptk/client/xsd_lexical.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::soaptk::ValueFromXsdText;
using nvx::soaptk::XsdTextOf;
using nvx::test::OwnedVariant;

std::wstring TextOf(const VARIANT& value)
{
    std::wstring text = L"(failed)";
    EXPECT_HR(S_OK, XsdTextOf(value, &text));
    return text;
}

OwnedVariant Typed(VARTYPE type, void (*set)(VARIANT&))
{
    OwnedVariant value;
    set(*value.Get());
    value.Get()->vt = type;
    return value;
}

DATE DateOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    DATE date = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&time, &date));
    return date;
}

TEST(XsdLexicalTest, WritesValuesInTheirOwnTypesForm)
{
    DECIMAL decimal{};
    VarDecFromR8(-12.5, &decimal);
    OwnedVariant decimalValue;
    decimalValue.Get()->decVal = decimal;
    decimalValue.Get()->vt = VT_DECIMAL;
    const struct {
        OwnedVariant value;
        const wchar_t* text;
    } cases[] = {
        {OwnedVariant::Bool(true), L"true"},
        {OwnedVariant::Bool(false), L"false"},
        {OwnedVariant::I2(-7), L"-7"},
        {OwnedVariant::I4(2147483647), L"2147483647"},
        {Typed(VT_I8, [](VARIANT& v) { v.llVal = -9000000000LL; }), L"-9000000000"},
        {Typed(VT_UI1, [](VARIANT& v) { v.bVal = 200; }), L"200"},
        {OwnedVariant::R8(2.5), L"2.5"},
        {OwnedVariant::R8(0.1), L"0.1"},
        {OwnedVariant::R8(1e300), L"1e+300"},
        {OwnedVariant::R8(-INFINITY), L"-INF"},
        {OwnedVariant::R8(NAN), L"NaN"},
        {Typed(VT_R4, [](VARIANT& v) { v.fltVal = 0.1f; }), L"0.1"},
        {std::move(decimalValue), L"-12.5"},
        {OwnedVariant::Date(DateOf(2024, 2, 29, 23, 59, 58)), L"2024-02-29T23:59:58"},
        {OwnedVariant::Date(DateOf(1899, 12, 29, 6, 0, 0)), L"1899-12-29T06:00:00"},
        {OwnedVariant::String(L" as is \u00e9"), L" as is \u00e9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.value.Get()->vt);
        EXPECT_EQ(TextOf(*c.value.Get()), c.text);
    }
    std::wstring text;
    EXPECT_HR(DISP_E_TYPEMISMATCH, XsdTextOf(*OwnedVariant().Get(), &text));
    EXPECT_HR(DISP_E_TYPEMISMATCH, XsdTextOf(*OwnedVariant::I4Array({1}).Get(), &text));
}

TEST(XsdLexicalTest, ReadsNumbersAndBooleans)
{
    const struct {
        const wchar_t* text;
        VARTYPE type;
        double expected;
    } cases[] = {
        {L"true", VT_BOOL, -1},    {L"1", VT_BOOL, -1},           {L"false", VT_BOOL, 0},
        {L" 0 ", VT_BOOL, 0},      {L"-32768", VT_I2, -32768},    {L"+42", VT_I4, 42},
        {L"\n17\t", VT_I4, 17},    {L"-9000000000", VT_I8, -9e9}, {L"2.5", VT_R8, 2.5},
        {L"-1.5E3", VT_R8, -1500}, {L".5", VT_R8, 0.5},           {L"+7e-1", VT_R8, 0.7},
        {L"0.25", VT_R4, 0.25},    {L"12.75", VT_DECIMAL, 12.75}, {L"-0.5", VT_DECIMAL, -0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + wcslen(c.text)));
        nvx::Variant value;
        ASSERT_HR(S_OK, ValueFromXsdText(c.text, c.type, value.Get()));
        ASSERT_EQ(value->vt, c.type);
        nvx::Variant asDouble;
        ASSERT_HR(S_OK, VariantChangeType(asDouble.Get(), value.Get(), 0, VT_R8));
        EXPECT_DOUBLE_EQ(asDouble->dblVal, c.expected);
    }
    nvx::Variant special;
    ASSERT_HR(S_OK, ValueFromXsdText(L"-INF", VT_R8, special.Get()));
    EXPECT_TRUE(std::isinf(special->dblVal) && special->dblVal < 0);
    ASSERT_HR(S_OK, ValueFromXsdText(L"NaN", VT_R4, special.Get()));
    EXPECT_TRUE(std::isnan(special->fltVal));
}

TEST(XsdLexicalTest, RefusesWhatIsNotOfTheTypesForm)
{
    const struct {
        const wchar_t* text;
        VARTYPE type;
        HRESULT expected;
    } cases[] = {
        {L"True", VT_BOOL, DISP_E_TYPEMISMATCH},
        {L"yes", VT_BOOL, DISP_E_TYPEMISMATCH},
        {L"", VT_I4, DISP_E_TYPEMISMATCH},
        {L"1.0", VT_I4, DISP_E_TYPEMISMATCH},
        {L"1 2", VT_I4, DISP_E_TYPEMISMATCH},
        {L"0x10", VT_I4, DISP_E_TYPEMISMATCH},
        {L"+-1", VT_I4, DISP_E_TYPEMISMATCH},
        {L"2147483648", VT_I4, DISP_E_OVERFLOW},
        {L"32768", VT_I2, DISP_E_OVERFLOW},
        {L"99999999999999999999", VT_I8, DISP_E_OVERFLOW},
        {L"1,5", VT_R8, DISP_E_TYPEMISMATCH},
        {L"inf", VT_R8, DISP_E_TYPEMISMATCH},
        {L"infinity", VT_R8, DISP_E_TYPEMISMATCH},
        {L"1e999", VT_R8, DISP_E_OVERFLOW},
        {L"1e39", VT_R4, DISP_E_OVERFLOW},
        {L"1e2", VT_DECIMAL, DISP_E_TYPEMISMATCH},
        {L"\u0661", VT_I4, DISP_E_TYPEMISMATCH},
        {L"2024-01-02", VT_DATE, DISP_E_TYPEMISMATCH},
        {L"2024-02-30T00:00:00", VT_DATE, DISP_E_TYPEMISMATCH},
        {L"2024-01-02T24:00:00", VT_DATE, DISP_E_TYPEMISMATCH},
        {L"2024-01-02T03:04:05+25:00", VT_DATE, DISP_E_TYPEMISMATCH},
        {L"2024-01-02T03:04:05Zjunk", VT_DATE, DISP_E_TYPEMISMATCH},
        {L"0099-01-01T00:00:00", VT_DATE, DISP_E_OVERFLOW},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + wcslen(c.text)) << " as " << c.type);
        nvx::Variant value;
        EXPECT_HR(c.expected, ValueFromXsdText(c.text, c.type, value.Get()));
        EXPECT_EQ(value->vt, VT_EMPTY);
    }
}

TEST(XsdLexicalTest, ReadsDateTimesWithAndWithoutZones)
{
    const struct {
        const wchar_t* text;
        DATE expected;
    } cases[] = {
        {L"2024-01-02T03:04:05", DateOf(2024, 1, 2, 3, 4, 5)},
        {L"2024-01-02T03:04:05Z", DateOf(2024, 1, 2, 3, 4, 5)},
        {L"2024-01-02T03:04:05+02:00", DateOf(2024, 1, 2, 1, 4, 5)},
        {L"2024-01-01T23:30:00-01:30", DateOf(2024, 1, 2, 1, 0, 0)},
        {L"2024-01-02T03:04:05.5", DateOf(2024, 1, 2, 3, 4, 5) + 0.5 / 86400},
        {L"1899-12-29T06:00:00", DateOf(1899, 12, 29, 6, 0, 0)},
        {L"1899-12-30T01:00:00+02:00", DateOf(1899, 12, 29, 23, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + wcslen(c.text)));
        nvx::Variant value;
        ASSERT_HR(S_OK, ValueFromXsdText(c.text, VT_DATE, value.Get()));
        ASSERT_EQ(value->vt, VT_DATE);
        EXPECT_NEAR(value->date, c.expected, 1e-9);
    }
}

TEST(XsdLexicalTest, KeepsStringsExactly)
{
    nvx::Variant value;
    ASSERT_HR(S_OK, ValueFromXsdText(L"  two  spaces \u20ac ", VT_BSTR, value.Get()));
    ASSERT_EQ(value->vt, VT_BSTR);
    EXPECT_STREQ(value->bstrVal, L"  two  spaces \u20ac ");
}

}  // namespace
