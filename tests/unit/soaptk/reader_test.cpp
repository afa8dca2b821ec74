// The reader: what counts as a SOAP message, encodings, how a stream is read,
// and the parts it hands out.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/variant.h"
#include "mssoap.h"
#include "recording_stream.h"
#include "soaptk_objects.h"
#include "test_support.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;
using nvx::test::NodeText;

constexpr wchar_t kNs[] = L"http://www.norvexa.com/webservices/";

// As the sample service answers Add(2, 3).
constexpr char kAddResponse[] =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<soap11env:Envelope xmlns:soap11env=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:tns=\"http://www.norvexa.com/webservices/\"><soap11env:Body><tns:AddResponse>"
    "<tns:AddResult>5</tns:AddResult></tns:AddResponse></soap11env:Body></soap11env:Envelope>";

constexpr wchar_t kFaultResponse[] =
    L"<soap11env:Envelope xmlns:soap11env=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    L"<soap11env:Header><h>1</h></soap11env:Header>"
    L"<soap11env:Body><soap11env:Fault><faultcode>soap11env:Server</faultcode>"
    L"<faultstring>Canned fault</faultstring><faultactor>urn:actor</faultactor></soap11env:Fault>"
    L"</soap11env:Body></soap11env:Envelope>";

// An Echo answer in Latin-1, "Grüße" in single bytes.
constexpr char kLatin1Response[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
    "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><EchoResponse>"
    "<EchoResult>Gr\xfc\xdf"
    "e</EchoResult></EchoResponse></e:Body></e:Envelope>";

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reader_ = nvx::test::CreateInProcess<ISoapReader>(CLSID_SoapReader);
        ASSERT_TRUE(reader_);
    }

    VARIANT_BOOL LoadBytes(const std::string& bytes, HRESULT expected = S_OK)
    {
        ComPtr<IStream> stream = nvx::test::NewMemoryStream(bytes);
        VARIANT_BOOL ok = 7;
        EXPECT_HR(expected, reader_->Load(nvx::test::UnknownVariant(stream.Get()), nullptr, &ok));
        return ok;
    }

    VARIANT_BOOL LoadText(std::wstring_view text)
    {
        VARIANT_BOOL ok = 7;
        EXPECT_HR(S_OK, reader_->LoadXml(Bstr(text).Get(), &ok));
        return ok;
    }

    // A part of the message, by one of the reader's getters.
    template <class Getter>
    ComPtr<IDispatch> Part(Getter getter)
    {
        ComPtr<IDispatch> part;
        EXPECT_HR(S_OK, (reader_.Get()->*getter)(&part));
        return part;
    }

    ComPtr<IDispatch> Named(HRESULT (STDMETHODCALLTYPE ISoapReader::*getter)(BSTR, BSTR, IDispatch**),
                            const wchar_t* localName, const wchar_t* ns)
    {
        ComPtr<IDispatch> part;
        EXPECT_HR(S_OK, (reader_.Get()->*getter)(Bstr(localName).Get(), ns ? Bstr(ns).Get() : nullptr, &part));
        return part;
    }

    nvx::test::ComApartment apartment_;
    ComPtr<ISoapReader> reader_;
};

TEST_F(ReaderTest, HandsOutThePartsOfAnAnswer)
{
    ComPtr<IStream> stream = nvx::test::NewMemoryStream(kAddResponse);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_HR(S_OK, reader_->Load(nvx::test::UnknownVariant(stream.Get()), Bstr(L"urn:action").Get(), &ok));
    ASSERT_EQ(ok, VARIANT_TRUE);

    EXPECT_NE(Part(&ISoapReader::get_Envelope), nullptr);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_Body).Get()), L"5");
    EXPECT_EQ(Part(&ISoapReader::get_Header), nullptr);
    EXPECT_EQ(Part(&ISoapReader::get_Fault), nullptr);
    EXPECT_EQ(Part(&ISoapReader::get_FaultString), nullptr);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_RPCStruct).Get()), L"5");
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_RPCResult).Get()), L"5");
    EXPECT_EQ(NodeText(Named(&ISoapReader::get_RPCParameter, L"AddResult", kNs).Get()), L"5");
    EXPECT_EQ(NodeText(Named(&ISoapReader::get_RPCParameter, L"AddResult", L"").Get()), L"5");
    EXPECT_EQ(Named(&ISoapReader::get_RPCParameter, L"AddResult", L"urn:other"), nullptr);
    EXPECT_EQ(Named(&ISoapReader::get_RPCParameter, L"Missing", nullptr), nullptr);
    EXPECT_NE(Named(&ISoapReader::get_BodyEntry, L"AddResponse", kNs), nullptr);
    EXPECT_EQ(Named(&ISoapReader::get_BodyEntry, L"AddResponse", L"urn:other"), nullptr);

    ComPtr<IXMLDOMNodeList> entries;
    ASSERT_HR(S_OK, Part(&ISoapReader::get_BodyEntries).As(&entries));
    long count = 0;
    EXPECT_HR(S_OK, entries->get_length(&count));
    EXPECT_EQ(count, 1);

    ComPtr<IXMLDOMDocument> document;
    ASSERT_HR(S_OK, Part(&ISoapReader::get_DOM).As(&document));
    Bstr xml;
    ASSERT_HR(S_OK, document->get_xml(xml.Put()));
    EXPECT_NE(xml.View().find(L"<tns:AddResult>5</tns:AddResult>"), std::wstring_view::npos);

    Bstr action;
    ASSERT_HR(S_OK, reader_->get_SoapAction(action.Put()));
    EXPECT_EQ(action.View(), L"urn:action");
}

TEST_F(ReaderTest, HandsOutThePartsOfAFault)
{
    ASSERT_EQ(LoadText(kFaultResponse), VARIANT_TRUE);
    EXPECT_NE(Part(&ISoapReader::get_Fault), nullptr);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_FaultCode).Get()), L"soap11env:Server");
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_FaultString).Get()), L"Canned fault");
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_FaultActor).Get()), L"urn:actor");
    EXPECT_EQ(Part(&ISoapReader::get_FaultDetail), nullptr);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_Header).Get()), L"1");
}

const char* const kNotSoap[] = {
    "",
    "garbage<<",
    "<a/>",
    "<Envelope/>",
    "<e:Envelope xmlns:e=\"urn:no-soap-envelope\"><e:Body/></e:Envelope>",
    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>",
    "<?xml version=\"1.0\"?><!DOCTYPE e:Envelope [<!ENTITY x \"5\">]>"
    "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>&x;</e:Body></e:Envelope>",
    "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body>",
};

TEST_F(ReaderTest, ReportsWhatIsNoSoapMessageThroughTheFlag)
{
    for (const char* bytes : kNotSoap) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(LoadBytes(bytes), VARIANT_FALSE);
        EXPECT_EQ(Part(&ISoapReader::get_Envelope), nullptr);
        EXPECT_EQ(Part(&ISoapReader::get_Body), nullptr);
        EXPECT_EQ(LoadText(std::wstring(bytes, bytes + strlen(bytes))), VARIANT_FALSE);
    }
}

TEST_F(ReaderTest, ReadsASoap12FaultWhereSoap11KeepsItsParts)
{
    ASSERT_EQ(LoadText(L"<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body><e:Fault>"
                       L"<e:Code><e:Value>e:Sender</e:Value></e:Code><e:Reason><e:Text xml:lang=\"en\">Fail: on "
                       L"purpose</e:Text></e:Reason><e:Role>urn:role</e:Role></e:Fault></e:Body></e:Envelope>"),
              VARIANT_TRUE);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_FaultCode).Get()), L"e:Sender");
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_FaultString).Get()), L"Fail: on purpose");
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_FaultActor).Get()), L"urn:role");
    EXPECT_EQ(Part(&ISoapReader::get_FaultDetail), nullptr);
}

TEST_F(ReaderTest, HonoursTheDeclaredEncoding)
{
    ASSERT_EQ(LoadBytes(kLatin1Response), VARIANT_TRUE);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_RPCResult).Get()), L"Gr\u00fc\u00dfe");

    const std::wstring text = L"<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r>\u20ac</r>"
                              L"</e:Body></e:Envelope>";
    std::string utf16 = "\xff\xfe";
    utf16.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    ASSERT_EQ(LoadBytes(utf16), VARIANT_TRUE);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_RPCStruct).Get()), L"\u20ac");
}

// For the gateway's stream, Stat is what waits for the answer.
TEST_F(ReaderTest, AsksTheStreamForItsStateBeforeReading)
{
    auto* recording = new nvx::test::RecordingStream(kAddResponse);
    ComPtr<IStream> stream;
    stream.Attach(recording);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_HR(S_OK, reader_->Load(nvx::test::UnknownVariant(stream.Get()), nullptr, &ok));
    EXPECT_EQ(ok, VARIANT_TRUE);
    ASSERT_GE(recording->Calls().size(), 2u);
    EXPECT_EQ(recording->Calls().front(), "Stat(" + std::to_string(STATFLAG_NONAME) + ")");
    EXPECT_EQ(recording->Calls().back(), "Read");

    recording = new nvx::test::RecordingStream(kAddResponse);
    stream.Attach(recording);
    recording->FailReads(E_FAIL);
    ASSERT_HR(S_OK, reader_->Load(nvx::test::UnknownVariant(stream.Get()), nullptr, &ok));
    EXPECT_EQ(ok, VARIANT_FALSE);
}

TEST_F(ReaderTest, LoadsAFileByItsPath)
{
    wchar_t directory[MAX_PATH];
    wchar_t path[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, directory), 0u);
    ASSERT_NE(GetTempFileNameW(directory, L"rdr", 0, path), 0u);
    FILE* file = _wfopen(path, L"wb");
    ASSERT_NE(file, nullptr);
    fputs(kLatin1Response, file);
    fclose(file);

    nvx::Variant source;
    source->vt = VT_BSTR;
    source->bstrVal = SysAllocString(path);
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_HR(S_OK, reader_->Load(*source, nullptr, &ok));
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(NodeText(Part(&ISoapReader::get_RPCResult).Get()), L"Gr\u00fc\u00dfe");
    DeleteFileW(path);
}

TEST_F(ReaderTest, RefusesAnUnusableSource)
{
    nvx::Variant number;
    number->vt = VT_I4;
    number->lVal = 5;
    VARIANT_BOOL ok = 7;
    EXPECT_HR(E_INVALIDARG, reader_->Load(*number, nullptr, &ok));
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_HR(E_POINTER, reader_->Load(*number, nullptr, nullptr));
    EXPECT_HR(E_POINTER, reader_->get_Body(nullptr));
}

TEST_F(ReaderTest, ForgetsTheLastMessageWhenTheNextFails)
{
    ASSERT_EQ(LoadBytes(kAddResponse), VARIANT_TRUE);
    ASSERT_EQ(LoadBytes("garbage"), VARIANT_FALSE);
    EXPECT_EQ(Part(&ISoapReader::get_DOM), nullptr);
    EXPECT_EQ(Part(&ISoapReader::get_RPCResult), nullptr);
}

}  // namespace
