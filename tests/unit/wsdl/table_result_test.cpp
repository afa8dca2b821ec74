// Data sets, structures and arrays returned by a WSDL-driven call, turned into
// arrays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "src/wsdl/structured_result.h"
#include "src/wsdl/table_result.h"
#include "src/wsdl/wsdl_location.h"
#include "test_support.h"

namespace {

using nvx::test::WithoutIndentation;

using nvx::ComPtr;
using nvx::test::ComApartment;
using nvx::wsdl::ConvertToTable;

const char kSchema[] =
    "<xs:schema id=\"NewDataSet\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
    "<xs:element name=\"NewDataSet\"><xs:complexType><xs:choice minOccurs=\"0\" maxOccurs=\"unbounded\">"
    "<xs:element name=\"Table\"><xs:complexType><xs:sequence>"
    "<xs:element name=\"Id\" type=\"xs:int\"/><xs:element name=\"Name\" type=\"xs:string\"/>%UNNAMED%"
    "</xs:sequence></xs:complexType></xs:element></xs:choice></xs:complexType></xs:element></xs:schema>";

std::string Schema(bool unnamedThirdColumn)
{
    std::string schema = kSchema;
    const std::string third =
        unnamedThirdColumn ? "<xs:element type=\"xs:double\"/>" : "<xs:element name=\"Price\" type=\"xs:double\"/>";
    schema.replace(schema.find("%UNNAMED%"), 9, third);
    return schema;
}

std::string Data(const std::vector<std::string>& rows)
{
    std::string data = "<diffgr:diffgram xmlns:diffgr=\"urn:schemas-microsoft-com:xml-diffgram-v1\"><NewDataSet>";
    for (const auto& row : rows) data += "<Table>" + row + "</Table>";
    return data + "</NewDataSet></diffgr:diffgram>";
}

class TableResultTest : public ::testing::Test {
protected:
    // The child nodes of <result> with the given content (and attributes), as
    // a node list.
    ComPtr<IDispatch> NodeList(const std::string& content, const std::string& attributes = "")
    {
        ComPtr<IXMLDOMDocument> document;
        document = nvx::test::CreateInProcess<IXMLDOMDocument>(nvx::kDomDocument30);
        const std::string xml = "<result" + attributes + ">" + content + "</result>";
        BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(xml.size()));
        for (size_t i = 0; i < xml.size(); ++i) text[i] = static_cast<unsigned char>(xml[i]);
        VARIANT_BOOL parsed = VARIANT_FALSE;
        document->loadXML(text, &parsed);
        SysFreeString(text);
        EXPECT_EQ(VARIANT_TRUE, parsed);
        ComPtr<IXMLDOMElement> root;
        document->get_documentElement(root.GetAddressOf());
        ComPtr<IXMLDOMNodeList> children;
        root->get_childNodes(children.GetAddressOf());
        ComPtr<IDispatch> list;
        children.As(&list);
        return list;
    }

    static std::wstring Cell(const VARIANT& table, LONG row, LONG column)
    {
        LONG indices[2] = {row, column};
        VARIANT cell;
        VariantInit(&cell);
        SafeArrayGetElement(V_ARRAY(&table), indices, &cell);
        std::wstring text = V_VT(&cell) == VT_BSTR ? V_BSTR(&cell) : V_VT(&cell) == VT_EMPTY ? L"(empty)" : L"?";
        VariantClear(&cell);
        return text;
    }

    static LONG Upper(const VARIANT& table, UINT dimension)
    {
        LONG upper = -1;
        SafeArrayGetUBound(V_ARRAY(&table), dimension, &upper);
        return upper;
    }

    ComApartment apartment_;
};

TEST_F(TableResultTest, RowsBecomeAGridUnderAHeaderRow)
{
    VARIANT table;
    VariantInit(&table);
    ASSERT_HR(S_OK, ConvertToTable(NodeList(Schema(false) + Data({"<Id>1</Id><Name>One</Name><Price>1.25</Price>",
                                                                  "<Id>2</Id><Name>Two</Name><Price>2.5</Price>"}))
                                       .Get(),
                                   &table));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, V_VT(&table));
    ASSERT_EQ(2u, SafeArrayGetDim(V_ARRAY(&table)));
    EXPECT_EQ(2, Upper(table, 1)) << "rows + 1 in the first dimension";
    EXPECT_EQ(2, Upper(table, 2)) << "columns in the second";
    EXPECT_EQ(L"Id", Cell(table, 0, 0));
    EXPECT_EQ(L"Price", Cell(table, 0, 2));
    EXPECT_EQ(L"One", Cell(table, 1, 1));
    EXPECT_EQ(L"2.5", Cell(table, 2, 2));
    VariantClear(&table);
}

TEST_F(TableResultTest, NoRowsGiveTheColumnNames)
{
    VARIANT table;
    VariantInit(&table);
    ASSERT_HR(S_OK, ConvertToTable(NodeList(Schema(false) + Data({})).Get(), &table));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, V_VT(&table));
    ASSERT_EQ(1u, SafeArrayGetDim(V_ARRAY(&table)));
    EXPECT_EQ(2, Upper(table, 1));
    VariantClear(&table);
}

TEST_F(TableResultTest, ShortRowsAndUnnamedColumns)
{
    VARIANT table;
    VariantInit(&table);
    ASSERT_HR(S_OK, ConvertToTable(NodeList(Schema(true) + Data({"<Id>7</Id>"})).Get(), &table));
    EXPECT_EQ(L"Column3", Cell(table, 0, 2));
    EXPECT_EQ(L"7", Cell(table, 1, 0));
    EXPECT_EQ(L"(empty)", Cell(table, 1, 1)) << "a short row leaves its missing cells empty";
    VariantClear(&table);
}

TEST_F(TableResultTest, WhatIsNotATableStaysEmpty)
{
    const std::string notTables[] = {
        Schema(false),  // no data node
        "<a/><b/>",     // no choice in the schema
        "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:choice/></xs:schema><d/>",  // no columns
    };
    for (const auto& content : notTables) {
        VARIANT table;
        VariantInit(&table);
        EXPECT_HR(S_OK, ConvertToTable(NodeList(content).Get(), &table));
        EXPECT_EQ(VT_EMPTY, V_VT(&table)) << content;
    }
    VARIANT table;
    VariantInit(&table);
    ComPtr<IXMLDOMDocument> notAList;
    CoCreateInstance(nvx::kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                     reinterpret_cast<void**>(notAList.GetAddressOf()));
    EXPECT_HR(S_OK, ConvertToTable(notAList.Get(), &table));
    EXPECT_EQ(VT_EMPTY, V_VT(&table));
}

// A result as rows of texts: Empty as no row, a text or a 1-D array as one
// row, a 2-D array row by row.
std::vector<std::vector<std::wstring>> RowsOf(const VARIANT& value)
{
    if (V_VT(&value) == VT_BSTR) return {{V_BSTR(&value)}};
    if (V_VT(&value) != (VT_ARRAY | VT_VARIANT)) return {};
    SAFEARRAY* array = V_ARRAY(&value);
    const UINT dimensions = SafeArrayGetDim(array);
    LONG rows = 0, columns = -1;
    SafeArrayGetUBound(array, 1, dimensions == 2 ? &rows : &columns);
    if (dimensions == 2) SafeArrayGetUBound(array, 2, &columns);
    std::vector<std::vector<std::wstring>> texts(rows + 1);
    for (LONG r = 0; r <= rows; ++r) {
        for (LONG c = 0; c <= columns; ++c) {
            LONG grid[2] = {r, c};
            VARIANT cell;
            VariantInit(&cell);
            SafeArrayGetElement(array, dimensions == 2 ? grid : &c, &cell);
            texts[r].push_back(V_VT(&cell) == VT_BSTR ? WithoutIndentation(V_BSTR(&cell)) : L"(not text)");
            VariantClear(&cell);
        }
    }
    return texts;
}

TEST_F(TableResultTest, StructuresAndArraysTakeTheShapesOfATable)
{
    using Rows = std::vector<std::vector<std::wstring>>;
    const struct {
        const char* what;
        std::string content;
        std::string attributes;
        const wchar_t* typeName;
        VARTYPE type;
        Rows rows;
    } cases[] = {
        {"repeated simple elements", "<s>a</s><s>b</s><s>c</s>", "", L"", VT_ARRAY | VT_VARIANT, {{L"a", L"b", L"c"}}},
        {"one element of an array type", "<string>a</string>", "", L"ArrayOfString", VT_ARRAY | VT_VARIANT, {{L"a"}}},
        {"an encoded array of one",
         "<item>a</item>",
         " xmlns:enc='http://schemas.xmlsoap.org/soap/encoding/' enc:arrayType='xsd:string[1]'",
         L"",
         VT_ARRAY | VT_VARIANT,
         {{L"a"}}},
        {"an array of no element", "", "", L"ArrayOfstring", VT_ARRAY | VT_VARIANT, {{}}},
        {"one structure",
         "<name>Ada</name><age>30</age>",
         "",
         L"Person",
         VT_ARRAY | VT_VARIANT,
         {{L"name", L"age"}, {L"Ada", L"30"}}},
        {"a structure inside a field",
         "<name>Ada</name><home><city>Paris</city></home>",
         "",
         L"",
         VT_ARRAY | VT_VARIANT,
         {{L"name", L"home"}, {L"Ada", L"<home><city>Paris</city></home>"}}},
        {"a field that comes twice",
         "<name>Ada</name><tag>x</tag><tag>y</tag>",
         "",
         L"",
         VT_ARRAY | VT_VARIANT,
         {{L"name", L"tag"}, {L"Ada", L"<tag>x</tag><tag>y</tag>"}}},
        {"structures with different fields",
         "<p><name>Ada</name></p><p><age>7</age><name>Bo</name></p>",
         "",
         L"",
         VT_ARRAY | VT_VARIANT,
         {{L"name", L"age"}, {L"Ada", L""}, {L"Bo", L"7"}}},
        {"one structure of an array type",
         "<p><name>Ada</name></p>",
         "",
         L"PersonArray",
         VT_ARRAY | VT_VARIANT,
         {{L"name"}, {L"Ada"}}},
        {"qualified fields by local name",
         "<t:name xmlns:t='urn:t'>Ada</t:name><t:age xmlns:t='urn:t'>1</t:age>",
         "",
         L"",
         VT_ARRAY | VT_VARIANT,
         {{L"name", L"age"}, {L"Ada", L"1"}}},
        {"text alone", "plain", "", L"", VT_BSTR, {{L"plain"}}},
        {"nothing", "", "", L"", VT_EMPTY, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VARIANT result;
        VariantInit(&result);
        ASSERT_HR(S_OK, nvx::wsdl::ConvertStructure(NodeList(c.content, c.attributes).Get(), c.typeName, &result));
        EXPECT_EQ(V_VT(&result), c.type);
        EXPECT_EQ(RowsOf(result), c.rows);
        VariantClear(&result);
    }
}

TEST(WsdlLocation, SuffixAndWhiteSpaceRules)
{
    using nvx::wsdl::WsdlLocation;
    EXPECT_EQ("http://h/svc?WSDL", WsdlLocation("http://h/svc"));
    EXPECT_EQ("http://h/svc?WSDL", WsdlLocation("http://h/svc?WSDL")) << "already there";
    EXPECT_EQ("http://h/svc?wsdl?WSDL", WsdlLocation("http://h/svc?wsdl")) << "the suffix is matched exactly";
    EXPECT_EQ("http://h/svc?WSDL", WsdlLocation(" \t\r\n\v\fhttp://h/svc   "))
        << "leading white space, trailing spaces";
    EXPECT_EQ("http://h/svc\t?WSDL", WsdlLocation("http://h/svc\t")) << "trailing tabs stay";
}

TEST(DefaultProxy, TheEnvironmentOverridesTheOperatorsHost)
{
    SetEnvironmentVariableW(L"NVX_DEFAULT_PROXY", nullptr);
    EXPECT_EQ(L"proxy.norvexa.com", nvx::wsdl::DefaultProxyHost());
    SetEnvironmentVariableW(L"NVX_DEFAULT_PROXY", L"proxy.example:3128");
    EXPECT_EQ(L"proxy.example:3128", nvx::wsdl::DefaultProxyHost());
    SetEnvironmentVariableW(L"NVX_DEFAULT_PROXY", nullptr);
}

}  // namespace
