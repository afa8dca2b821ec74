// The serializer: the exact text of the library's request envelope, escaping,
// namespaces, refused names and calls out of order, and how it writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "recording_stream.h"
#include "soaptk_objects.h"
#include "test_support.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;

constexpr wchar_t kNs[] = L"http://www.norvexa.com/webservices/";
constexpr char kDeclaration[] = R"(<?xml version="1.0" encoding="UTF-8"?>)";
constexpr char kEnvelopeStart[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/">)";
constexpr char kEnvelopeEnd[] = "</soap:Body></soap:Envelope>";

Bstr B(const wchar_t* text) { return Bstr(text); }

class SerializerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        serializer_ = nvx::test::CreateInProcess<ISoapSerializer>(CLSID_SoapSerializer);
        ASSERT_TRUE(serializer_);
        StartOver();
    }

    // A new message into a new stream.
    void StartOver()
    {
        stream_ = nvx::test::NewMemoryStream();
        ASSERT_HR(S_OK, serializer_->Init(nvx::test::UnknownVariant(stream_.Get())));
    }

    // Envelope "soap" and Body begun, as the library begins its requests.
    void BeginBody()
    {
        ASSERT_HR(S_OK, serializer_->startEnvelope(B(L"soap").Get(), nullptr, nullptr));
        ASSERT_HR(S_OK, serializer_->startBody(nullptr));
    }

    // Body and envelope ended; the whole message.
    std::string EndBody()
    {
        EXPECT_HR(S_OK, serializer_->endBody());
        EXPECT_HR(S_OK, serializer_->endEnvelope());
        return nvx::test::StreamContent(stream_.Get());
    }

    // What a message with only `body` written inside its Body must be.
    static std::string MessageWithBody(const std::string& body)
    {
        return kEnvelopeStart + std::string("<soap:Body>") + body + kEnvelopeEnd;
    }

    HRESULT Element(const wchar_t* name, const wchar_t* ns, const wchar_t* prefix)
    {
        return serializer_->startElement(B(name).Get(), ns ? B(ns).Get() : nullptr, nullptr,
                                         prefix ? B(prefix).Get() : nullptr);
    }

    nvx::test::ComApartment apartment_;
    ComPtr<ISoapSerializer> serializer_;
    ComPtr<IStream> stream_;
};

TEST_F(SerializerTest, WritesTheLibrarysRequestEnvelopeExactly)
{
    BeginBody();
    ASSERT_HR(S_OK, Element(L"Add", kNs, L"xs"));
    ASSERT_HR(S_OK, Element(L"a", kNs, L"xs"));
    ASSERT_HR(S_OK, serializer_->writeString(B(L"2").Get()));
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, Element(L"values", kNs, L"xs"));
    for (const wchar_t* value : {L"3", L"4"}) {
        ASSERT_HR(S_OK, Element(L"long", kNs, nullptr));
        ASSERT_HR(S_OK, serializer_->writeString(B(value).Get()));
        ASSERT_HR(S_OK, serializer_->endElement());
    }
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->endElement());

    EXPECT_EQ(
        EndBody(),
        R"(<?xml version="1.0" encoding="UTF-8"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/">)"
        R"(<soap:Body><xs:Add xmlns:xs="http://www.norvexa.com/webservices/"><xs:a>2</xs:a><xs:values>)"
        R"(<SOAPSDK1:long xmlns:SOAPSDK1="http://www.norvexa.com/webservices/">3</SOAPSDK1:long>)"
        R"(<SOAPSDK1:long xmlns:SOAPSDK1="http://www.norvexa.com/webservices/">4</SOAPSDK1:long>)"
        R"(</xs:values></xs:Add></soap:Body></soap:Envelope>)");
}

TEST_F(SerializerTest, BeginsTheEnvelopeAsAsked)
{
    const struct {
        const wchar_t* prefix;
        const wchar_t* encodingStyle;
        const char* expected;
    } cases[] = {
        {nullptr, nullptr, R"(<SOAP:Envelope xmlns:SOAP="http://schemas.xmlsoap.org/soap/envelope/"/>)"},
        {L"", L"NONE", R"(<SOAP:Envelope xmlns:SOAP="http://schemas.xmlsoap.org/soap/envelope/"/>)"},
        {L"env", L"http://schemas.xmlsoap.org/soap/encoding/",
         R"(<env:Envelope xmlns:env="http://schemas.xmlsoap.org/soap/envelope/")"
         R"( env:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"/>)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        StartOver();
        ASSERT_HR(S_OK,
                  serializer_->startEnvelope(c.prefix ? B(c.prefix).Get() : nullptr,
                                             c.encodingStyle ? B(c.encodingStyle).Get() : nullptr, B(L"utf-8").Get()));
        ASSERT_HR(S_OK, serializer_->endEnvelope());
        EXPECT_EQ(nvx::test::StreamContent(stream_.Get()), kDeclaration + std::string(c.expected));
    }
}

TEST_F(SerializerTest, RefusesAnEncodingItCannotWrite)
{
    EXPECT_HR(E_INVALIDARG, serializer_->startEnvelope(nullptr, nullptr, B(L"ISO-8859-1").Get()));
    BeginBody();
    EXPECT_EQ(EndBody(), kEnvelopeStart + std::string("<soap:Body/></soap:Envelope>"));
}

struct EscapeCase {
    const wchar_t* text;
    const char* expected;
};

// Content: &, <, > as entities, CR as a reference so it survives line-end
// normalisation, everything else as UTF-8.
const EscapeCase kContentCases[] = {
    {L"a&b<c>d", "a&amp;b&lt;c&gt;d"},
    {L"say \"hi\" 'x'", "say \"hi\" 'x'"},
    {L"Gr\u00fc\u00dfe \u20ac", "Gr\xc3\xbc\xc3\x9f"
                                "e \xe2\x82\xac"},
    {L"\U0001F600", "\xf0\x9f\x98\x80"},
    {L"line\r\nnext\ttab", "line&#13;\nnext\ttab"},
    {L"", ""},
};

TEST_F(SerializerTest, EscapesText)
{
    for (const EscapeCase& c : kContentCases) {
        SCOPED_TRACE(c.expected);
        StartOver();
        BeginBody();
        ASSERT_HR(S_OK, Element(L"t", nullptr, nullptr));
        ASSERT_HR(S_OK, serializer_->writeString(B(c.text).Get()));
        ASSERT_HR(S_OK, serializer_->endElement());
        EXPECT_EQ(EndBody(), MessageWithBody("<t>" + std::string(c.expected) + "</t>"));
    }
}

// Attribute values: &, <, " and the white space that value normalisation
// would otherwise turn into spaces.
const EscapeCase kAttributeCases[] = {
    {L"a&b<c\"d'e>f", "a&amp;b&lt;c&quot;d'e>f"},
    {L"t\tn\nr\r", "t&#9;n&#10;r&#13;"},
    {L"\u20ac", "\xe2\x82\xac"},
};

TEST_F(SerializerTest, EscapesAttributeValues)
{
    for (const EscapeCase& c : kAttributeCases) {
        SCOPED_TRACE(c.expected);
        StartOver();
        BeginBody();
        ASSERT_HR(S_OK, Element(L"t", nullptr, nullptr));
        ASSERT_HR(S_OK, serializer_->SoapAttribute(B(L"v").Get(), nullptr, B(c.text).Get(), nullptr));
        ASSERT_HR(S_OK, serializer_->endElement());
        EXPECT_EQ(EndBody(), MessageWithBody("<t v=\"" + std::string(c.expected) + "\"/>"));
    }
}

TEST_F(SerializerTest, RefusesTextNoXmlDocumentCanCarry)
{
    BeginBody();
    ASSERT_HR(S_OK, Element(L"t", nullptr, nullptr));
    const std::wstring refused[] = {std::wstring(L"a\x0001"), std::wstring(1, L'\xD800') + L"x",
                                    std::wstring(1, L'\xDC00'), std::wstring(L"\xFFFE"),
                                    std::wstring(L"nul\0inside", 10)};
    for (const std::wstring& text : refused) {
        EXPECT_HR(E_INVALIDARG, serializer_->writeString(Bstr(text).Get()));
        EXPECT_HR(E_INVALIDARG, serializer_->SoapAttribute(B(L"v").Get(), nullptr, Bstr(text).Get(), nullptr));
    }
    ASSERT_HR(S_OK, serializer_->endElement());
    EXPECT_EQ(EndBody(), MessageWithBody("<t/>"));
}

TEST_F(SerializerTest, RefusesInvalidNamesAndWritesNothingOfThem)
{
    BeginBody();
    const wchar_t* badNames[] = {L"", L"1abc", L"a b", L"a:b", L"<x>", L"-x", L"x\u00d7y"};
    for (const wchar_t* name : badNames) EXPECT_HR(E_INVALIDARG, Element(name, kNs, L"p"));
    const wchar_t* badPrefixes[] = {L"xmlns", L"1p", L"a:b", L"a b"};
    for (const wchar_t* prefix : badPrefixes) EXPECT_HR(E_INVALIDARG, Element(L"ok", kNs, prefix));
    EXPECT_HR(E_INVALIDARG, serializer_->startElement(nullptr, nullptr, nullptr, nullptr));
    EXPECT_HR(E_INVALIDARG, Element(L"ok", L"urn:other", L"xml"));
    EXPECT_HR(E_INVALIDARG, Element(L"ok", nullptr, L"unbound"));

    ASSERT_HR(S_OK, Element(L"Gr\u00fc\u00dfe", nullptr, nullptr));
    EXPECT_HR(E_INVALIDARG, serializer_->SoapAttribute(B(L"xmlns").Get(), nullptr, B(L"urn:x").Get(), nullptr));
    EXPECT_HR(E_INVALIDARG, serializer_->SoapAttribute(B(L"a b").Get(), nullptr, B(L"1").Get(), nullptr));
    EXPECT_HR(S_OK, serializer_->SoapAttribute(B(L"a").Get(), nullptr, B(L"1").Get(), nullptr));
    EXPECT_HR(E_INVALIDARG, serializer_->SoapAttribute(B(L"a").Get(), nullptr, B(L"2").Get(), nullptr))
        << "duplicate attribute";
    ASSERT_HR(S_OK, serializer_->endElement());
    EXPECT_EQ(EndBody(), MessageWithBody("<Gr\xc3\xbc\xc3\x9f"
                                         "e a=\"1\"/>"));
}

TEST_F(SerializerTest, DeclaresEachPrefixWhereItIsFirstBound)
{
    BeginBody();
    ASSERT_HR(S_OK, Element(L"outer", L"urn:a", L"p"));
    ASSERT_HR(S_OK, Element(L"same", L"urn:a", L"p"));     // in scope: no declaration
    ASSERT_HR(S_OK, Element(L"rebound", L"urn:b", L"p"));  // same prefix, other namespace
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, Element(L"generated", L"urn:a", nullptr));
    ASSERT_HR(S_OK, Element(L"nested", L"urn:a", L""));     // SOAPSDK1 still bound to urn:a
    ASSERT_HR(S_OK, Element(L"other", L"urn:c", nullptr));  // SOAPSDK1 taken: SOAPSDK2
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, Element(L"plain", nullptr, nullptr));
    ASSERT_HR(S_OK, serializer_->SoapAttribute(B(L"q").Get(), B(L"urn:a").Get(), B(L"1").Get(), B(L"p").Get()));
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->endElement());

    EXPECT_EQ(EndBody(),
              MessageWithBody(R"(<p:outer xmlns:p="urn:a"><p:same><p:rebound xmlns:p="urn:b"/></p:same>)"
                              R"(<SOAPSDK1:generated xmlns:SOAPSDK1="urn:a"><SOAPSDK1:nested>)"
                              R"(<SOAPSDK2:other xmlns:SOAPSDK2="urn:c"/></SOAPSDK1:nested></SOAPSDK1:generated>)"
                              R"(<plain p:q="1"/></p:outer>)"));
}

TEST_F(SerializerTest, DeclaresNamespacesOnTheElementJustBegun)
{
    BeginBody();
    ASSERT_HR(S_OK, Element(L"plain", nullptr, nullptr));
    EXPECT_HR(E_INVALIDARG, serializer_->SoapDefaultNamespace(B(L"urn:d").Get()))
        << "would move an element begun in no namespace";
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, Element(L"e", L"urn:e", L"p"));
    ASSERT_HR(S_OK, serializer_->SoapNamespace(B(L"x").Get(), B(L"urn:x").Get()));
    ASSERT_HR(S_OK, serializer_->SoapNamespace(B(L"x").Get(), B(L"urn:x").Get())) << "the same again is no change";
    EXPECT_HR(E_INVALIDARG, serializer_->SoapNamespace(B(L"x").Get(), B(L"urn:other").Get()));
    ASSERT_HR(S_OK, serializer_->SoapDefaultNamespace(B(L"urn:d").Get()));
    ASSERT_HR(S_OK, Element(L"child", nullptr, nullptr));  // must leave urn:d again
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->writeString(B(L"t").Get()));
    EXPECT_HR(E_UNEXPECTED, serializer_->SoapNamespace(B(L"y").Get(), B(L"urn:y").Get())) << "the start tag is closed";
    ASSERT_HR(S_OK, serializer_->endElement());
    EXPECT_EQ(EndBody(), MessageWithBody(
                             R"(<plain/><p:e xmlns:p="urn:e" xmlns:x="urn:x" xmlns="urn:d"><child xmlns=""/>t</p:e>)"));
}

TEST_F(SerializerTest, WritesHeaderEntries)
{
    ASSERT_HR(S_OK, serializer_->startEnvelope(B(L"soap").Get(), nullptr, nullptr));
    ASSERT_HR(S_OK, serializer_->startHeader(nullptr));
    ASSERT_HR(S_OK, serializer_->startHeaderElement(B(L"Session").Get(), B(L"urn:s").Get(), 1, B(L"urn:actor").Get(),
                                                    nullptr, B(L"s").Get()));
    ASSERT_HR(S_OK, serializer_->writeString(B(L"42").Get()));
    ASSERT_HR(S_OK, serializer_->endHeaderElement());
    ASSERT_HR(S_OK, serializer_->endHeader());
    ASSERT_HR(S_OK, serializer_->startBody(nullptr));
    EXPECT_EQ(EndBody(),
              kEnvelopeStart + std::string(R"(<soap:Header><s:Session xmlns:s="urn:s" soap:mustUnderstand="1")"
                                           R"( soap:actor="urn:actor">42</s:Session></soap:Header>)"
                                           "<soap:Body/></soap:Envelope>"));
}

TEST_F(SerializerTest, RefusesCallsOutOfOrder)
{
    ComPtr<ISoapSerializer> uninitialised = nvx::test::CreateInProcess<ISoapSerializer>(CLSID_SoapSerializer);
    EXPECT_HR(E_UNEXPECTED, uninitialised->startEnvelope(nullptr, nullptr, nullptr));
    EXPECT_HR(E_INVALIDARG, serializer_->Init(VARIANT{}));

    EXPECT_HR(E_UNEXPECTED, serializer_->startBody(nullptr)) << "no envelope yet";
    EXPECT_HR(E_UNEXPECTED, serializer_->writeString(B(L"x").Get())) << "no element open";
    BeginBody();
    EXPECT_HR(E_UNEXPECTED, serializer_->startBody(nullptr)) << "body inside body";
    EXPECT_HR(E_UNEXPECTED, serializer_->startHeader(nullptr)) << "header after body";
    EXPECT_HR(E_UNEXPECTED, serializer_->endElement()) << "no element open";
    ASSERT_HR(S_OK, Element(L"open", nullptr, nullptr));
    EXPECT_HR(E_UNEXPECTED, serializer_->endBody()) << "element still open";
    EXPECT_HR(E_UNEXPECTED, serializer_->endEnvelope()) << "element still open";
    ASSERT_HR(S_OK, serializer_->endElement());
    EXPECT_HR(E_UNEXPECTED, serializer_->endEnvelope()) << "body still open";
    EXPECT_EQ(EndBody(), MessageWithBody("<open/>"));
    EXPECT_HR(E_UNEXPECTED, serializer_->startElement(B(L"late").Get(), nullptr, nullptr, nullptr));
    EXPECT_HR(E_UNEXPECTED, serializer_->startEnvelope(nullptr, nullptr, nullptr));
}

// The gateway's stream does work per write: small messages go in one write at
// the end, and a large one in a few large writes, never piling up in memory.
TEST_F(SerializerTest, WritesToTheStreamInFewLargeWrites)
{
    auto* recording = new nvx::test::RecordingStream();
    ComPtr<IStream> stream;
    stream.Attach(recording);
    ASSERT_HR(S_OK, serializer_->Init(nvx::test::UnknownVariant(stream.Get())));
    BeginBody();
    ASSERT_HR(S_OK, Element(L"Add", kNs, L"xs"));
    ASSERT_HR(S_OK, serializer_->writeString(B(L"small").Get()));
    EXPECT_TRUE(recording->Calls().empty()) << "written before the end";
    ASSERT_HR(S_OK, serializer_->endElement());
    EndBody();
    ASSERT_EQ(recording->Calls().size(), 1u);

    recording = new nvx::test::RecordingStream();
    stream.Attach(recording);
    ASSERT_HR(S_OK, serializer_->Init(nvx::test::UnknownVariant(stream.Get())));
    BeginBody();
    const std::wstring block(4096, L'x');
    constexpr int kBlocks = 64;  // 256 KB of text
    ASSERT_HR(S_OK, Element(L"big", nullptr, nullptr));
    for (int i = 0; i < kBlocks; ++i) ASSERT_HR(S_OK, serializer_->writeString(Bstr(block).Get()));
    EXPECT_FALSE(recording->Calls().empty()) << "all of it still held in memory";
    ASSERT_HR(S_OK, serializer_->endElement());
    ASSERT_HR(S_OK, serializer_->endBody());
    ASSERT_HR(S_OK, serializer_->endEnvelope());
    EXPECT_LE(recording->Calls().size(), 5u);
    EXPECT_EQ(recording->Content().size(), std::string(kEnvelopeStart).size() + 11 + 5 + kBlocks * block.size() + 6 +
                                               std::string(kEnvelopeEnd).size());
}

}  // namespace
