// What a caller may give for a part of complex type, and the markup each
// gives inside the part's element; everything else is refused before a
// request is written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "runtime/soaptk/client/complex_argument.h"
#include "runtime/soaptk/reader/xml_document.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::ComPtr;
using nvx::soaptk::ComplexContent;
using nvx::soaptk::PartDescription;
using nvx::test::OwnedVariant;
using Table = std::vector<std::vector<std::wstring>>;

// A two-dimensional array of texts: rows by columns.
OwnedVariant TableOf(const Table& rows)
{
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows.size()), 0}, {static_cast<ULONG>(rows.front().size()), 0}};
    OwnedVariant table;
    table.Get()->vt = VT_ARRAY | VT_VARIANT;
    table.Get()->parray = SafeArrayCreate(VT_VARIANT, 2, bounds);
    for (LONG r = 0; r < static_cast<LONG>(rows.size()); ++r) {
        for (LONG c = 0; c < static_cast<LONG>(rows[r].size()); ++c) {
            const OwnedVariant cell = OwnedVariant::String(rows[r][c].c_str());
            LONG at[2] = {r, c};
            SafeArrayPutElement(table.Get()->parray, at, const_cast<VARIANT*>(cell.Get()));
        }
    }
    return table;
}

// An MSXML node: the document of `xml`, or its root element.
OwnedVariant NodeOf(const std::wstring& xml, bool rootOnly)
{
    ComPtr<IXMLDOMDocument> document;
    EXPECT_HR(S_OK, nvx::soaptk::DocumentFromText(xml, &document));
    ComPtr<IXMLDOMElement> root;
    if (rootOnly && document) document->get_documentElement(&root);
    OwnedVariant node;
    node.Get()->vt = VT_DISPATCH;
    node.Get()->pdispVal = rootOnly ? static_cast<IDispatch*>(root.Detach()) : document.Detach();
    return node;
}

TEST(ComplexArgumentTest, TakesXmlTextNodesAndTablesAndRefusesTheRest)
{
    nvx::test::ComApartment apartment;
    PartDescription part;
    part.elementName = L"person";
    part.memberNamespace = L"urn:m";
    const auto text = [](const wchar_t* value) { return OwnedVariant::String(value); };
    const struct {
        const char* what;
        OwnedVariant value;
        HRESULT status;
        std::wstring xml;
    } cases[] = {
        {"XML text as written", text(L"<name>Ada</name><age>30</age>"), S_OK, L"<name>Ada</name><age>30</age>"},
        {"plain text", text(L"Ada"), S_OK, L"Ada"},
        {"XML text that is not well-formed", text(L"<name>Ada</age>"), DISP_E_TYPEMISMATCH, L""},
        {"a document of the part's element gives its children", NodeOf(L"<person><name>Ada</name></person>", false),
         S_OK, L"<name>Ada</name>"},
        {"an element of another name is itself", NodeOf(L"<name>Ada</name>", true), S_OK, L"<name>Ada</name>"},
        {"a table: one element per column, in the members' namespace", TableOf({{L"name", L"note"}, {L"Ada", L"<&>"}}),
         S_OK, L"<name xmlns=\"urn:m\">Ada</name><note xmlns=\"urn:m\">&lt;&amp;&gt;</note>"},
        {"a table of names alone", TableOf({{L"name", L"age"}}), DISP_E_TYPEMISMATCH, L""},
        {"a table whose names are no XML names", TableOf({{L"first name"}, {L"Ada"}}), DISP_E_TYPEMISMATCH, L""},
        {"a one-dimensional array", OwnedVariant::StringArray({L"name", L"Ada"}), DISP_E_TYPEMISMATCH, L""},
        {"a number", OwnedVariant::I4(5), DISP_E_TYPEMISMATCH, L""},
        {"nothing", OwnedVariant(), DISP_E_TYPEMISMATCH, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::wstring xml;
        EXPECT_HR(c.status, ComplexContent(*c.value.Get(), part, &xml));
        EXPECT_EQ(xml, c.xml) << "nothing is written for what is refused";
    }
}

}  // namespace
