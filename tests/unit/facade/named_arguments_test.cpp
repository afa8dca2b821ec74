// Binding a caller's named arguments to a WSDL operation's parameters.
#include <gtest/gtest.h>

#include <vector>

#include "src/facade/named_arguments.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::facade::ArgumentBlock;
using nvx::facade::BindNamedArguments;
using nvx::facade::ParameterPart;
using nvx::test::OwnedVariant;

const std::vector<ParameterPart> kXThenY = {{L"x", VT_I4}, {L"y", VT_I4}};

LONG IntArgument(ArgumentBlock& block, size_t position)
{
    VARIANT& argument = block.Argument(position);
    EXPECT_EQ(VT_BYREF | VT_I4, V_VT(&argument));
    return V_VT(&argument) == (VT_BYREF | VT_I4) ? *V_I4REF(&argument) : -999;
}

TEST(NamedArguments, ReorderedNamesBindByNameInReverseOrder)
{
    ArgumentBlock block;
    auto names = OwnedVariant::StringArray({L"y", L"x"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(1), OwnedVariant::I4(2)});
    ASSERT_HR(S_OK, BindNamedArguments(kXThenY, *names.Get(), *values.Get(), &block));
    ASSERT_EQ(2u, block.Params()->cArgs);
    EXPECT_EQ(0u, block.Params()->cNamedArgs);
    EXPECT_EQ(1, IntArgument(block, 0)) << "y's argument stands first";
    EXPECT_EQ(2, IntArgument(block, 1)) << "x's argument stands last";
}

TEST(NamedArguments, AMissingNameGivesAnEmptyArgumentAndUnknownNamesAreIgnored)
{
    ArgumentBlock block;
    auto names = OwnedVariant::StringArray({L"unknown", L"x"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(9), OwnedVariant::I4(4)});
    ASSERT_HR(S_OK, BindNamedArguments(kXThenY, *names.Get(), *values.Get(), &block));
    EXPECT_EQ(VT_EMPTY, V_VT(&block.Argument(0))) << "y is not named";
    EXPECT_EQ(4, IntArgument(block, 1));
}

TEST(NamedArguments, NamesAreCaseSensitive)
{
    ArgumentBlock block;
    auto names = OwnedVariant::StringArray({L"X", L"y"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(1), OwnedVariant::I4(2)});
    ASSERT_HR(S_OK, BindNamedArguments(kXThenY, *names.Get(), *values.Get(), &block));
    EXPECT_EQ(VT_EMPTY, V_VT(&block.Argument(1)));
    EXPECT_EQ(2, IntArgument(block, 0));
}

TEST(NamedArguments, AScalarValueServesEveryName)
{
    ArgumentBlock block;
    auto names = OwnedVariant::StringArray({L"x", L"y"});
    auto value = OwnedVariant::String(L"17");
    ASSERT_HR(S_OK, BindNamedArguments(kXThenY, *names.Get(), *value.Get(), &block));
    EXPECT_EQ(17, IntArgument(block, 0));
    EXPECT_EQ(17, IntArgument(block, 1));
}

TEST(NamedArguments, ValuesAreConvertedThroughTextToThePartsTypes)
{
    const std::vector<ParameterPart> parts = {
        {L"text", VT_BSTR}, {L"ratio", VT_R8}, {L"flag", VT_BOOL}, {L"amount", VT_DECIMAL}};
    ArgumentBlock block;
    auto names = OwnedVariant::StringArray({L"text", L"ratio", L"flag", L"amount"});
    auto values = OwnedVariant::VariantArray(
        {OwnedVariant::I4(5), OwnedVariant::String(L"2.5"), OwnedVariant::Bool(true), OwnedVariant::String(L"12.25")});
    ASSERT_HR(S_OK, BindNamedArguments(parts, *names.Get(), *values.Get(), &block));
    VARIANT& text = block.Argument(3);
    ASSERT_EQ(VT_BYREF | VT_BSTR, V_VT(&text));
    EXPECT_STREQ(L"5", *V_BSTRREF(&text));
    ASSERT_EQ(VT_BYREF | VT_R8, V_VT(&block.Argument(2)));
    EXPECT_DOUBLE_EQ(2.5, *V_R8REF(&block.Argument(2)));
    ASSERT_EQ(VT_BYREF | VT_BOOL, V_VT(&block.Argument(1)));
    EXPECT_EQ(VARIANT_TRUE, *V_BOOLREF(&block.Argument(1)));
    ASSERT_EQ(VT_BYREF | VT_DECIMAL, V_VT(&block.Argument(0)));
    double amount = 0;
    VarR8FromDec(V_DECIMALREF(&block.Argument(0)), &amount);
    EXPECT_DOUBLE_EQ(12.25, amount);
}

TEST(NamedArguments, AFailedConversionStopsTheBinding)
{
    ArgumentBlock block;
    auto names = OwnedVariant::StringArray({L"x", L"y"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(3), OwnedVariant::String(L"not a number")});
    EXPECT_HR(DISP_E_TYPEMISMATCH, BindNamedArguments(kXThenY, *names.Get(), *values.Get(), &block));
    EXPECT_EQ(3, IntArgument(block, 1)) << "parameters bound before keep their values";
}

TEST(NamedArguments, ValuesShorterThanTheNamesFail)
{
    ArgumentBlock block;
    auto names = OwnedVariant::StringArray({L"x", L"y"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(3)});
    EXPECT_TRUE(FAILED(BindNamedArguments(kXThenY, *names.Get(), *values.Get(), &block)));
}

}  // namespace
