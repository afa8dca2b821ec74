// Argument names in every form a client passes them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "src/facade/variant_string_list.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::facade::VariantStringList;
using nvx::test::OwnedVariant;
using Names = std::vector<std::optional<std::string>>;

Names NamesOf(const VARIANT& source)
{
    const VariantStringList list(source);
    Names names;
    for (long k = 0; k < list.Count(); ++k) {
        if (list.Name(k))
            names.emplace_back(list.Name(k));
        else
            names.emplace_back(std::nullopt);
    }
    return names;
}

TEST(VariantStringList, MissingAndEmptyGiveNoNames)
{
    OwnedVariant missing;
    V_VT(missing.Get()) = VT_ERROR;
    V_ERROR(missing.Get()) = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(Names{}, NamesOf(*missing.Get()));
    EXPECT_EQ(Names{}, NamesOf(*OwnedVariant().Get()));
}

TEST(VariantStringList, Scalars)
{
    EXPECT_EQ(Names{"alpha"}, NamesOf(*OwnedVariant::String(L"alpha").Get()));
    EXPECT_EQ(Names{"Gr\xfc\xdf"
                    "e"},
              NamesOf(*OwnedVariant::String(L"Gr\x00fc\x00df"
                                            L"e")
                           .Get()))
        << "ANSI code page text";
    EXPECT_EQ(Names{"42"}, NamesOf(*OwnedVariant::I4(42).Get()));
    EXPECT_EQ(Names{"-7"}, NamesOf(*OwnedVariant::I2(-7).Get()));
    EXPECT_EQ(Names{"-1"}, NamesOf(*OwnedVariant::Bool(true).Get()));
    EXPECT_EQ(Names{"2"}, NamesOf(*OwnedVariant::Date(2.75).Get()));
    EXPECT_EQ(Names{"-1"}, NamesOf(*OwnedVariant::Date(-1.5).Get()));
    EXPECT_EQ(Names{}, NamesOf(*OwnedVariant::String(nullptr).Get())) << "a null string";
    EXPECT_EQ(Names{}, NamesOf(*OwnedVariant::R8(1.5).Get())) << "types outside the table";
}

TEST(VariantStringList, ByReferenceScalars)
{
    LONG number = 12;
    VARIANT byRef;
    V_VT(&byRef) = VT_BYREF | VT_I4;
    V_I4REF(&byRef) = &number;
    EXPECT_EQ(Names{"12"}, NamesOf(byRef));

    BSTR text = SysAllocString(L"name");
    V_VT(&byRef) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&byRef) = &text;
    EXPECT_EQ(Names{"name"}, NamesOf(byRef));
    SysFreeString(text);
}

TEST(VariantStringList, Arrays)
{
    auto strings = OwnedVariant::StringArray({L"x", L"y", L"z"}, 1);
    EXPECT_EQ((Names{"x", "y", "z"}), NamesOf(*strings.Get())) << "bounds 1..3 in index order";

    auto mixed =
        OwnedVariant::VariantArray({OwnedVariant::String(L"a"), OwnedVariant::I4(5), OwnedVariant::String(L"b")});
    EXPECT_EQ((Names{"a", "b", std::nullopt}), NamesOf(*mixed.Get())) << "strings packed, last entries unfilled";

    auto numbers = OwnedVariant::I4Array({1, 2, 3});
    EXPECT_EQ((Names{std::nullopt, std::nullopt, std::nullopt}), NamesOf(*numbers.Get()));
}

TEST(VariantStringList, ByReferenceVariantHoldingAnArray)
{
    auto strings = OwnedVariant::StringArray({L"first", L"second"});
    VARIANT byRef;
    V_VT(&byRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&byRef) = strings.Get();
    EXPECT_EQ((Names{"first", "second"}), NamesOf(byRef));
}

TEST(VariantStringList, UnusableSourcesGiveNoList)
{
    auto doubles = OwnedVariant::R8Array({1.0, 2.0});
    EXPECT_EQ(Names{}, NamesOf(*doubles.Get())) << "element type outside the table";

    auto strings = OwnedVariant::StringArray({L"a"});
    SAFEARRAY* array = V_ARRAY(strings.Get());
    VARIANT byRefArray;
    V_VT(&byRefArray) = VT_BYREF | VT_ARRAY | VT_BSTR;
    V_ARRAYREF(&byRefArray) = &array;
    EXPECT_EQ(Names{}, NamesOf(byRefArray)) << "a by-reference array";

    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    VARIANT matrix;
    V_VT(&matrix) = VT_ARRAY | VT_BSTR;
    V_ARRAY(&matrix) = SafeArrayCreate(VT_BSTR, 2, bounds);
    EXPECT_EQ(Names{}, NamesOf(matrix)) << "a two-dimensional array";
    VariantClear(&matrix);

    EXPECT_EQ(nullptr, VariantStringList(*strings.Get()).Name(5)) << "out-of-range entries are null";

    auto wide = OwnedVariant::Redeclared(OwnedVariant::TypedArray(VT_DECIMAL, {L"1.5"}), VT_BSTR);
    EXPECT_EQ(Names{}, NamesOf(*wide.Get())) << "16-byte elements declared as strings are not read";
}

}  // namespace
