// Encoded values referred to from elsewhere in a body: followed for SOAP 1.1
// and 1.2, in turn inside what they bring, and left alone when they lead
// nowhere or back to themselves.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "runtime/soaptk/client/multi_ref.h"
#include "runtime/soaptk/reader/xml_document.h"
#include "test_support.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;
using nvx::test::WithoutIndentation;

// The first element of the body `content`, its references resolved, as text.
std::wstring Resolved(const std::wstring& content)
{
    ComPtr<IXMLDOMDocument> document;
    EXPECT_HR(S_OK, nvx::soaptk::DocumentFromText(L"<Body>" + content + L"</Body>", &document));
    ComPtr<IXMLDOMElement> body;
    ComPtr<IXMLDOMNode> first;
    ComPtr<IXMLDOMElement> element, resolved;
    if (!document || FAILED(document->get_documentElement(&body)) || FAILED(body->get_firstChild(&first)) ||
        FAILED(first.As(&element)))
        return L"(no element)";
    EXPECT_HR(S_OK, nvx::soaptk::WithReferencesResolved(element.Get(), body.Get(), &resolved));
    Bstr xml;
    if (resolved) resolved->get_xml(xml.Put());
    return WithoutIndentation(std::wstring(xml.View()));
}

TEST(MultiRefTest, FollowsReferencesAndStopsWhereTheyLeadNowhere)
{
    nvx::test::ComApartment apartment;
    const struct {
        const char* what;
        std::wstring body;
        std::wstring resolved;
    } cases[] = {
        {"href to a value beside the result", L"<r><p href='#1'/></r><v id='1' t='P'><n>Ada</n></v>",
         L"<r><p t=\"P\"><n>Ada</n></p></r>"},
        {"SOAP 1.2's enc:ref",
         L"<r xmlns:e='http://www.w3.org/2003/05/soap-encoding'><p e:ref='1'/></r>"
         L"<v xmlns:e='http://www.w3.org/2003/05/soap-encoding' e:id='1'><n>Ada</n></v>",
         L"<r xmlns:e=\"http://www.w3.org/2003/05/soap-encoding\"><p><n>Ada</n></p></r>"},
        {"one value referred to twice", L"<r><p href='#1'/><q href='#1'/></r><v id='1'>x</v>",
         L"<r><p>x</p><q>x</q></r>"},
        {"a reference inside a referred value", L"<r><p href='#1'/></r><v id='1'><f href='#2'/></v><v id='2'>y</v>",
         L"<r><p><f>y</f></p></r>"},
        {"a reference that leads nowhere", L"<r><p href='#9'/></r>", L"<r><p href=\"#9\"/></r>"},
        {"an href that is no local reference", L"<r><p href='http://h/x'/></r>", L"<r><p href=\"http://h/x\"/></r>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Resolved(c.body), c.resolved);
    }
}

// Values that hold themselves, or each other twice over, would never end or
// double with every level: a value met again inside itself stays a
// reference, and the copy stops growing at a bound.
TEST(MultiRefTest, ValuesThatHoldThemselvesEndQuickly)
{
    nvx::test::ComApartment apartment;
    EXPECT_EQ(Resolved(L"<r><p href='#1'/></r><v id='1'><a href='#1'/><b href='#1'/></v>"),
              L"<r><p><a href=\"#1\"/><b href=\"#1\"/></p></r>");
    EXPECT_EQ(Resolved(L"<r><p href='#1'/></r><v id='1'><a href='#2'/></v><v id='2'><b href='#1'/></v>"),
              L"<r><p><a><b href=\"#1\"/></a></p></r>");
    std::wstring doubling = L"<r><p href='#0'/></r>";
    for (int i = 0; i < 30; ++i)
        doubling += L"<v id='" + std::to_wstring(i) + L"'><a href='#" + std::to_wstring(i + 1) + L"'/><b href='#" +
                    std::to_wstring(i + 1) + L"'/></v>";
    EXPECT_LT(Resolved(doubling).size(), 4u * 1024 * 1024) << "not 2^30 copies";
}

}  // namespace
