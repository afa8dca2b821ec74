// The documents of a WSDL as it is written: what is followed, what is
// fetched once, and where the walk stops. The documents are served by the
// test from memory.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "runtime/soaptk/wsdl/document_set.h"
#include "runtime/soaptk/wsdl/wsdl_parser.h"
#include "test_support.h"

namespace {

using nvx::soaptk::DocumentLimits;
using nvx::soaptk::LoadDocumentSet;
using nvx::soaptk::ResolveLocation;
using nvx::soaptk::SourceDocument;
using Documents = std::map<std::wstring, std::string>;

std::string Wsdl(const std::string& content)
{
    return "<definitions xmlns='http://schemas.xmlsoap.org/wsdl/' xmlns:xs='http://www.w3.org/2001/XMLSchema'>" +
           content + "</definitions>";
}

std::string WsdlImport(const std::string& location)
{
    return "<import namespace='urn:imported' location='" + location + "'/>";
}

std::string Types(const std::string& schemaContent)
{
    return "<types><xs:schema targetNamespace='urn:main'>" + schemaContent + "</xs:schema></types>";
}

std::string XsdImport(const std::string& location)
{
    return "<xs:import namespace='urn:other' schemaLocation='" + location + "'/>";
}

std::string XsdInclude(const std::string& location) { return "<xs:include schemaLocation='" + location + "'/>"; }

std::string Schema(const std::string& content)
{
    return "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>" + content + "</xs:schema>";
}

// A chain main -> d1 -> d2 -> ... -> d<length>.
Documents Chain(int length)
{
    Documents documents{{L"http://h/main?wsdl", Wsdl(WsdlImport("d1.wsdl"))}};
    for (int i = 1; i <= length; ++i)
        documents[L"http://h/d" + std::to_wstring(i) + L".wsdl"] = Wsdl(WsdlImport("d" + std::to_string(i + 1) + ".wsdl"));
    return documents;
}

struct Walk {
    HRESULT status = E_UNEXPECTED;
    std::vector<std::wstring> locations;
    std::vector<std::wstring> includedInto;
    std::multiset<std::wstring> fetched;
};

Walk Load(const Documents& documents, const std::wstring& location, const DocumentLimits& limits,
          const std::wstring& standsFor = L"")
{
    Walk walk;
    const auto fetch = [&](const std::wstring& at, std::vector<char>* bytes) {
        walk.fetched.insert(at);
        const auto found = documents.find(at);
        if (found == documents.end()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        bytes->assign(found->second.begin(), found->second.end());
        return S_OK;
    };
    std::vector<SourceDocument> loaded;
    walk.status = LoadDocumentSet(location, standsFor, fetch, limits, &loaded);
    for (const SourceDocument& document : loaded) {
        walk.locations.push_back(document.location);
        walk.includedInto.push_back(document.includedInto);
    }
    return walk;
}

TEST(DocumentSet, FollowsImportsAndIncludesWithinItsBounds)
{
    const std::wstring main = L"http://h/a/main?wsdl";
    const struct {
        const char* what;
        Documents documents;
        std::wstring start;
        DocumentLimits limits;
        std::vector<std::wstring> expected;
    } cases[] = {
        {"a relative wsdl:import", {{main, Wsdl(WsdlImport("sub.wsdl"))}, {L"http://h/a/sub.wsdl", Wsdl("")}}, main,
         {}, {main, L"http://h/a/sub.wsdl"}},
        {"an absolute wsdl:import",
         {{main, Wsdl(WsdlImport("http://other:81/x.wsdl"))}, {L"http://other:81/x.wsdl", Wsdl("")}}, main, {},
         {main, L"http://other:81/x.wsdl"}},
        {"xsd:import and xsd:include from the types",
         {{main, Wsdl(Types(XsdImport("../xsd/one.xsd") + XsdInclude("/two.xsd")))},
          {L"http://h/xsd/one.xsd", Schema("")},
          {L"http://h/two.xsd", Schema(XsdInclude("three.xsd"))},
          {L"http://h/three.xsd", Schema("")}},
         main, {}, {main, L"http://h/xsd/one.xsd", L"http://h/two.xsd", L"http://h/three.xsd"}},
        {"a document named twice is read once",
         {{main, Wsdl(WsdlImport("sub.wsdl") + WsdlImport("./sub.wsdl") + Types(XsdImport("sub.wsdl")))},
          {L"http://h/a/sub.wsdl", Wsdl(WsdlImport("sub.wsdl"))}},
         main, {}, {main, L"http://h/a/sub.wsdl"}},
        {"a cycle stops",
         {{main, Wsdl(WsdlImport("sub.wsdl"))}, {L"http://h/a/sub.wsdl", Wsdl(WsdlImport("main?wsdl"))}}, main, {},
         {main, L"http://h/a/sub.wsdl"}},
        {"what cannot be had or is no WSDL or schema is left out",
         {{main, Wsdl(WsdlImport("missing.wsdl") + WsdlImport("text.xml") + WsdlImport("html.wsdl") +
                      WsdlImport("good.wsdl"))},
          {L"http://h/a/text.xml", "not XML"},
          {L"http://h/a/html.wsdl", "<html/>"},
          {L"http://h/a/good.wsdl", Wsdl("")}},
         main, {}, {main, L"http://h/a/good.wsdl"}},
        {"depth", Chain(10), L"http://h/main?wsdl", {2, 64, 1 << 20},
         {L"http://h/main?wsdl", L"http://h/d1.wsdl", L"http://h/d2.wsdl"}},
        {"number of documents", Chain(10), L"http://h/main?wsdl", {8, 3, 1 << 20},
         {L"http://h/main?wsdl", L"http://h/d1.wsdl", L"http://h/d2.wsdl"}},
        {"total size", Chain(10), L"http://h/main?wsdl", {8, 64, Wsdl(WsdlImport("d1.wsdl")).size() * 3 - 1},
         {L"http://h/main?wsdl", L"http://h/d1.wsdl"}},
        {"a file and its neighbours", {{L"Z:\\c\\m.wsdl", Wsdl(WsdlImport("s.wsdl"))}, {L"Z:\\c\\s.wsdl", Wsdl("")}},
         L"Z:\\c\\m.wsdl", {}, {L"Z:\\c\\m.wsdl", L"Z:\\c\\s.wsdl"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Walk walk = Load(c.documents, c.start, c.limits);
        EXPECT_HR(S_OK, walk.status);
        EXPECT_EQ(walk.locations, c.expected);
        for (const std::wstring& location : walk.fetched) EXPECT_EQ(walk.fetched.count(location), 1u);
    }
}

TEST(DocumentSet, AnIncludedSchemaTakesTheNamespaceOfItsIncluder)
{
    const Walk walk = Load({{L"http://h/m", Wsdl(Types(XsdInclude("in.xsd") + XsdImport("imp.xsd")))},
                            {L"http://h/in.xsd", Schema("")},
                            {L"http://h/imp.xsd", Schema("")}},
                           L"http://h/m", {});
    EXPECT_EQ(walk.includedInto, (std::vector<std::wstring>{L"", L"urn:main", L""}));
}

TEST(DocumentSet, ACopyIsReadAsTheOriginal)
{
    const Walk walk = Load({{L"c:\\temp\\copy.dat", Wsdl(WsdlImport("sub.wsdl"))}, {L"http://h/a/sub.wsdl", Wsdl("")}},
                           L"c:\\temp\\copy.dat", {}, L"http://h/a/main?wsdl");
    EXPECT_EQ(walk.locations, (std::vector<std::wstring>{L"http://h/a/main?wsdl", L"http://h/a/sub.wsdl"}));
    EXPECT_EQ(walk.fetched.count(L"http://h/a/main?wsdl"), 0u) << "the original is not fetched again";
}

TEST(DocumentSet, TheFirstDocumentMustBeAWsdl)
{
    EXPECT_HR(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Load({}, L"http://h/m", {}).status);
    EXPECT_HR(nvx::soaptk::kNotWsdl, Load({{L"http://h/m", Schema("")}}, L"http://h/m", {}).status);
    EXPECT_HR(nvx::soaptk::kNotWsdl, Load({{L"http://h/m", "<definitions/>"}}, L"http://h/m", {}).status);
}

TEST(DocumentSet, ResolvesLocationsAgainstTheirDocument)
{
    const struct {
        const wchar_t* base;
        std::wstring reference;
        const wchar_t* expected;
    } cases[] = {
        {L"http://h/a/b?wsdl", L"c.xsd", L"http://h/a/c.xsd"},
        {L"http://h/a/b?wsdl", L"../c.xsd", L"http://h/c.xsd"},
        {L"http://h/a/b", L"/x/c.xsd", L"http://h/x/c.xsd"},
        {L"http://h/a/b", L"c.xsd?xsd=xsd0", L"http://h/a/c.xsd?xsd=xsd0"},
        {L"http://h/a/b", L"https://o/c.xsd", L"https://o/c.xsd"},
        {L"http://h/a/b", L" \tc.xsd\r\n", L"http://h/a/c.xsd"},
        {L"Z:\\d\\m.wsdl", L"c.xsd", L"Z:\\d\\c.xsd"},
        {L"Z:\\d\\m.wsdl", L"C:\\e\\c.xsd", L"C:\\e\\c.xsd"},
        {L"Z:\\d\\m.wsdl", L"http://h/c.xsd", L"http://h/c.xsd"},
        {L"m.wsdl", L"c.xsd", L"c.xsd"},
        {L"http://h/a/b", L"", L""},
        {L"http://h/a/b", L"  ", L""},
        {L"http://h/a/b", std::wstring(3000, L'x'), L""},
        {L"http://h/a/b", std::wstring(L"c\0d", 3), L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveLocation(c.base, c.reference), c.expected) << c.base << L" + " << c.reference.substr(0, 40);
}

}  // namespace
