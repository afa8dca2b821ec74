// The request a call writes, through the toolkit's real serializer.
#include <gtest/gtest.h>

#include <string>

#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "src/facade/soap_envelope.h"
#include "src/facade/variant_string_list.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::ComPtr;
using nvx::facade::SchemaTypeName;
using nvx::facade::SoapAction;
using nvx::facade::UnsendableArgument;
using nvx::facade::VariantStringList;
using nvx::facade::WriteRequestEnvelope;
using nvx::test::ComApartment;
using nvx::test::OwnedVariant;

class EnvelopeTest : public ::testing::Test {
protected:
    // The bytes the serializer wrote for this request.
    std::string Request(const wchar_t* nameSpace, const wchar_t* method, const VARIANT& names, const VARIANT& values)
    {
        ComPtr<ISoapSerializer> serializer;
        serializer = nvx::test::CreateInProcess<ISoapSerializer>(CLSID_SoapSerializer);
        ComPtr<IStream> stream;
        EXPECT_HR(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
        if (!serializer || !stream) return {};
        VARIANT destination;
        V_VT(&destination) = VT_UNKNOWN;
        V_UNKNOWN(&destination) = stream.Get();
        serializer->Init(destination);
        BSTR ns = nameSpace ? SysAllocString(nameSpace) : nullptr;
        BSTR webMethod = SysAllocString(method);
        WriteRequestEnvelope(serializer.Get(), ns, webMethod, VariantStringList(names), values);
        SysFreeString(ns);
        SysFreeString(webMethod);

        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        ULONG read = 0;
        stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
        return bytes;
    }

    ComApartment apartment_;
};

const char kPrologue[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>";
const char kEpilogue[] = "</soap:Body></soap:Envelope>";

TEST_F(EnvelopeTest, MethodArgumentsAndArrayChildrenNamedByType)
{
    auto names = OwnedVariant::StringArray({L"a", L"values"});
    auto values = OwnedVariant::VariantArray(
        {OwnedVariant::String(L"2"),
         OwnedVariant::VariantArray({OwnedVariant::I4(3), OwnedVariant::R8(2.5), OwnedVariant::String(L"s")})});
    const std::string expected = std::string(kPrologue) +
                                 "<xs:Add xmlns:xs=\"urn:ns\"><xs:a>2</xs:a><xs:values>"
                                 "<SOAPSDK1:long xmlns:SOAPSDK1=\"urn:ns\">3</SOAPSDK1:long>"
                                 "<SOAPSDK1:double xmlns:SOAPSDK1=\"urn:ns\">2.5</SOAPSDK1:double>"
                                 "<SOAPSDK1:string xmlns:SOAPSDK1=\"urn:ns\">s</SOAPSDK1:string>"
                                 "</xs:values></xs:Add>" +
                                 kEpilogue;
    EXPECT_EQ(expected, Request(L"urn:ns", L"Add", *names.Get(), *values.Get()));
}

TEST_F(EnvelopeTest, NoArgumentsWhenNamesAreMissing)
{
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(1)});
    EXPECT_EQ(std::string(kPrologue) + "<xs:Ping xmlns:xs=\"urn:ns\"/>" + kEpilogue,
              Request(L"urn:ns", L"Ping", *OwnedVariant::Missing().Get(), *values.Get()));
}

TEST_F(EnvelopeTest, OtherValuesAreWrittenAsTextAndMissingOnesEmpty)
{
    auto names = OwnedVariant::StringArray({L"flag", L"count", L"absent"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::Bool(true), OwnedVariant::I4(7)});
    const std::string request = Request(L"urn:ns", L"M", *names.Get(), *values.Get());
    EXPECT_NE(std::string::npos, request.find("<xs:flag>-1</xs:flag>")) << request;
    EXPECT_NE(std::string::npos, request.find("<xs:count>7</xs:count>")) << request;
    EXPECT_TRUE(request.find("<xs:absent/>") != std::string::npos ||
                request.find("<xs:absent></xs:absent>") != std::string::npos)
        << request;
}

TEST_F(EnvelopeTest, WithoutANamespaceElementsAreUnqualified)
{
    auto names = OwnedVariant::String(L"a");
    auto values = OwnedVariant::VariantArray({OwnedVariant::String(L"1")});
    const std::string request = Request(nullptr, L"Add", *names.Get(), *values.Get());
    EXPECT_NE(std::string::npos, request.find("<Add><a>1</a></Add>")) << request;
}

TEST_F(EnvelopeTest, TextIsEscapedAndEncodedAsUtf8)
{
    auto names = OwnedVariant::String(L"text");
    auto values = OwnedVariant::VariantArray({OwnedVariant::String(L"a & <b> \"q\" Gr\x00fc\x00df"
                                                                   L"e \x20ac")});
    const std::string request = Request(L"urn:ns", L"Echo", *names.Get(), *values.Get());
    EXPECT_NE(std::string::npos, request.find("a &amp; &lt;b&gt; \"q\" Gr\xc3\xbc\xc3\x9f"
                                              "e \xe2\x82\xac"))
        << request;
}

std::string Utf8(const wchar_t* text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(length > 0 ? length - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    return out;
}

// Each element of a typed array is written as the text of the same value given
// alone, under the name of its type: elements are read at their own size.
TEST_F(EnvelopeTest, TypedArrayElementsKeepTheirValues)
{
    const struct {
        VARTYPE type;
        const wchar_t* first;
        const wchar_t* second;
    } rows[] = {
        {VT_I1, L"-5", L"100"},
        {VT_UI1, L"200", L"7"},
        {VT_I2, L"-30000", L"2"},
        {VT_UI2, L"65535", L"1"},
        {VT_I4, L"-2000000000", L"3"},
        {VT_UI4, L"4000000000", L"4"},
        {VT_INT, L"-7", L"8"},
        {VT_UINT, L"4000000001", L"9"},
        {VT_I8, L"-9000000000000", L"10"},
        {VT_UI8, L"18000000000000000000", L"11"},
        {VT_R4, L"1.5", L"-0.25"},
        {VT_R8, L"2.25", L"1e300"},
        {VT_CY, L"1.5", L"-92233720368.5477"},
        {VT_DECIMAL, L"1.5", L"2.25"},
        {VT_DATE, L"2024-01-02 03:04:05", L"1999-12-31"},
        {VT_BOOL, L"-1", L"0"},
        {VT_BSTR, L"a b", L"c"},
        {VT_VARIANT, L"x", L"y"},
    };
    auto names = OwnedVariant::String(L"values");
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "element type " << row.type);
        auto values = OwnedVariant::VariantArray({OwnedVariant::TypedArray(row.type, {row.first, row.second})});
        const std::string request = Request(L"urn:ns", L"M", *names.Get(), *values.Get());
        const std::string name = Utf8(SchemaTypeName(row.type == VT_VARIANT ? VARTYPE{VT_BSTR} : row.type));
        for (const wchar_t* text : {row.first, row.second}) {
            auto alone = OwnedVariant::Converted(text, row.type);
            ASSERT_NE(VT_EMPTY, V_VT(alone.Get()));
            OwnedVariant expected;
            ASSERT_HR(S_OK, VariantChangeType(expected.Get(), alone.Get(), 0, VT_BSTR));
            const std::string element = "<SOAPSDK1:" + name + " xmlns:SOAPSDK1=\"urn:ns\">" +
                                        Utf8(V_BSTR(expected.Get())) + "</SOAPSDK1:" + name + ">";
            EXPECT_NE(std::string::npos, request.find(element)) << request;
        }
    }
}

// Elements that have no text of their own, or an array whose declared type is
// not what it holds, are refused before the request is written further.
TEST_F(EnvelopeTest, ArraysThatCannotBeReadAsValuesAreRefused)
{
    const OwnedVariant refused[] = {
        OwnedVariant::TypedArray(VT_UNKNOWN, {nullptr}),
        OwnedVariant::TypedArray(VT_DISPATCH, {nullptr}),
        OwnedVariant::TypedArray(VT_ERROR, {L"1"}),
        OwnedVariant::Redeclared(OwnedVariant::TypedArray(VT_I4, {L"1"}), VT_RECORD),
        OwnedVariant::Redeclared(OwnedVariant::TypedArray(VT_DECIMAL, {L"1.5"}), VT_I8),
        OwnedVariant::Redeclared(OwnedVariant::TypedArray(VT_I8, {L"1"}), VT_DECIMAL),
    };
    auto names = OwnedVariant::StringArray({L"first", L"bad"});
    for (const OwnedVariant& array : refused) {
        SCOPED_TRACE(testing::Message() << "declared type " << (V_VT(array.Get()) & VT_TYPEMASK));
        auto values = OwnedVariant::VariantArray({OwnedVariant::I4(1), array});
        try {
            Request(L"urn:ns", L"M", *names.Get(), *values.Get());
            ADD_FAILURE() << "not refused";
        } catch (const UnsendableArgument& refusal) {
            EXPECT_EQ("bad", refusal.name);
        }
    }
}

TEST_F(EnvelopeTest, ValuesMayBeATypedArray)
{
    auto names = OwnedVariant::StringArray({L"a", L"b"});
    const std::string request = Request(L"urn:ns", L"Add", *names.Get(), *OwnedVariant::I4Array({2, 3}).Get());
    EXPECT_NE(std::string::npos, request.find("<xs:a>2</xs:a><xs:b>3</xs:b>")) << request;
}

TEST(SchemaTypeNames, ByVariantType)
{
    const std::pair<VARTYPE, const wchar_t*> table[] = {
        {VT_I2, L"short"},          {VT_I4, L"long"},         {VT_R4, L"float"},  {VT_R8, L"double"},
        {VT_BOOL, L"boolean"},      {VT_DECIMAL, L"decimal"}, {VT_I1, L"char"},   {VT_UI1, L"unsignedByte"},
        {VT_UI2, L"unsignedShort"}, {VT_UI4, L"unsignedInt"}, {VT_INT, L"long"},  {VT_UINT, L"unsignedInt"},
        {VT_BSTR, L"string"},       {VT_DATE, L"string"},     {VT_I8, L"string"},
    };
    for (const auto& [type, name] : table) EXPECT_STREQ(name, SchemaTypeName(type)) << "type " << type;
}

TEST(SoapActions, OneSlashBetweenNamespaceAndMethod)
{
    const struct {
        const wchar_t* nameSpace;
        const wchar_t* expected;
    } cases[] = {
        {L"http://h/webservices/", L"http://h/webservices/Add"},
        {L"urn:x", L"urn:x/Add"},
        {L"", L"Add"},
        {nullptr, L"Add"},
    };
    for (const auto& row : cases) {
        BSTR ns = row.nameSpace ? SysAllocString(row.nameSpace) : nullptr;
        BSTR method = SysAllocString(L"Add");
        BSTR action = SoapAction(ns, method);
        EXPECT_STREQ(row.expected, action);
        SysFreeString(action);
        SysFreeString(method);
        SysFreeString(ns);
    }
}

}  // namespace
