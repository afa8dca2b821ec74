// The SOAP client against a server played by the test: the exact requests it
// writes for each style, and how it reads answers the sample service does not
// give.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/variant.h"
#include "capture_server.h"
#include "late_call.h"
#include "mssoap.h"
#include "soaptk_objects.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;
using nvx::test::CaptureServer;
using nvx::test::ExceptionInfo;
using nvx::test::OwnedVariant;

std::string Answer(const std::string& body, const char* status = "200 OK")
{
    return std::string("HTTP/1.1 ") + status +
           "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::string Envelope(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><s:Envelope "
           "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><s:Body>" +
           body + "</s:Body></s:Envelope>";
}

std::string BodyOf(const std::string& request)
{
    const size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

DATE DateOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&time, &date);
    return date;
}

class SoapClientRequestTest : public ::testing::Test {
protected:
    // A client on `wsdl` whose calls go to `server`.
    void Connect(const wchar_t* wsdl, const CaptureServer& server)
    {
        client_ = nvx::test::CreateInProcess<ISOAPClient>(CLSID_SoapClient);
        ASSERT_TRUE(client_);
        ASSERT_HR(S_OK, client_->mssoapinit(Bstr(nvx::test::WsdlFixture(wsdl)).Get(), nullptr, nullptr, nullptr));
        const OwnedVariant endpoint = OwnedVariant::String(server.Url(L"/endpoint").c_str());
        ASSERT_HR(S_OK, client_->put_ConnectorProperty(Bstr(L"EndPointURL").Get(), *endpoint.Get()));
    }

    HRESULT Call(const wchar_t* name, const std::vector<const OwnedVariant*>& arguments,
                 ExceptionInfo* exception = nullptr)
    {
        return nvx::test::CallByName(client_.Get(), name, arguments, result_.Put(), exception);
    }

    nvx::test::ComApartment apartment_;
    ComPtr<ISOAPClient> client_;
    nvx::Variant result_;
};

TEST_F(SoapClientRequestTest, WritesAnRpcRequest)
{
    CaptureServer server(Answer(Envelope("<m:MultiplyResponse xmlns:m=\"urn:calc\"><return>15</return>"
                                         "</m:MultiplyResponse>")));
    Connect(L"rpc_style.wsdl", server);
    const OwnedVariant x = OwnedVariant::I4(6);
    const OwnedVariant y = OwnedVariant::R8(2.5);
    ASSERT_HR(S_OK, Call(L"Multiply", {&x, &y}));
    ASSERT_EQ(result_->vt, VT_R8);
    EXPECT_EQ(result_->dblVal, 15.0);

    const std::string request = server.Request();
    EXPECT_EQ(request.rfind("POST /endpoint HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("SOAPAction: \"urn:calc#Multiply\"\r\n"), std::string::npos) << request;
    EXPECT_EQ(BodyOf(request),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
              "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
              "<SOAPSDK1:Multiply xmlns:SOAPSDK1=\"urn:calc\"><x>6</x><y>2.5</y></SOAPSDK1:Multiply>"
              "</SOAP-ENV:Body></SOAP-ENV:Envelope>");
}

TEST_F(SoapClientRequestTest, MarksAnEncodedRequestAndTakesTheResultByPosition)
{
    CaptureServer server(Answer(Envelope("<m:LabelResponse xmlns:m=\"urn:calc\"><result>A-1</result>"
                                         "</m:LabelResponse>")));
    Connect(L"rpc_style.wsdl", server);
    const OwnedVariant text = OwnedVariant::String(L"A");
    const OwnedVariant stamp = OwnedVariant::Date(DateOf(2024, 2, 29, 23, 59, 58));
    ASSERT_HR(S_OK, Call(L"Label", {&text, &stamp}));
    ASSERT_EQ(result_->vt, VT_BSTR);
    EXPECT_STREQ(result_->bstrVal, L"A-1");
    const std::string body = BodyOf(server.Request());
    EXPECT_NE(body.find("SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\""), std::string::npos)
        << body;
    EXPECT_NE(body.find("<text>A</text><stamp>2024-02-29T23:59:58</stamp>"), std::string::npos) << body;
}

TEST_F(SoapClientRequestTest, WritesAWrappedRequestWithEveryPartInItsForm)
{
    CaptureServer server(Answer(Envelope("<UpdateItemResponse xmlns=\"http://example.org/inventory/\"/>")));
    Connect(L"aspnet_wrapped.wsdl", server);
    DECIMAL price{};
    VarDecFromR8(12.5, &price);
    OwnedVariant decimal;
    decimal.Get()->decVal = price;
    decimal.Get()->vt = VT_DECIMAL;
    OwnedVariant big;
    big.Get()->vt = VT_I8;
    big.Get()->llVal = -9000000000LL;
    OwnedVariant null;
    null.Get()->vt = VT_NULL;
    const OwnedVariant id = OwnedVariant::I4(7);
    const OwnedVariant small = OwnedVariant::String(L"-2");
    const OwnedVariant ratio = OwnedVariant::R8(0.1);
    const OwnedVariant weight = OwnedVariant::R8(0.25);
    const OwnedVariant active = OwnedVariant::Bool(false);
    const OwnedVariant when = OwnedVariant::Date(DateOf(2001, 12, 31, 0, 0, 1));
    const OwnedVariant note = OwnedVariant::String(L"<&>");
    const OwnedVariant day = OwnedVariant::Bool(true);
    ASSERT_HR(S_OK,
              Call(L"UpdateItem", {&id, &big, &small, &ratio, &weight, &active, &decimal, &when, &note, &day, &null}));
    EXPECT_EQ(result_->vt, VT_EMPTY);
    const std::string body = BodyOf(server.Request());
    EXPECT_NE(body.find("<SOAPSDK1:UpdateItem xmlns:SOAPSDK1=\"http://example.org/inventory/\">"
                        "<SOAPSDK1:id>7</SOAPSDK1:id><SOAPSDK1:big>-9000000000</SOAPSDK1:big>"
                        "<SOAPSDK1:small>-2</SOAPSDK1:small><SOAPSDK1:ratio>0.1</SOAPSDK1:ratio>"
                        "<SOAPSDK1:weight>0.25</SOAPSDK1:weight><SOAPSDK1:active>false</SOAPSDK1:active>"
                        "<SOAPSDK1:price>12.5</SOAPSDK1:price><SOAPSDK1:when>2001-12-31T00:00:01</SOAPSDK1:when>"
                        "<SOAPSDK1:note>&lt;&amp;&gt;</SOAPSDK1:note><SOAPSDK1:day>true</SOAPSDK1:day>"
                        "<SOAPSDK1:code xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:nil=\"true\"/>"
                        "<SOAPSDK1:level/><SOAPSDK1:colour/>"
                        "<SOAPSDK2:Item xmlns:SOAPSDK2=\"http://example.org/catalog/\"/><SOAPSDK1:extra/><local/>"
                        "</SOAPSDK1:UpdateItem>"),
              std::string::npos)
        << body;
}

// A service bound to SOAP 1.2 alone gets SOAP 1.2: its envelope, the action
// in the content type; a header part goes to the Header, not the Body.
TEST_F(SoapClientRequestTest, WritesSoap12WithTheHeaderPartInTheHeader)
{
    CaptureServer server(Answer(
        "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body><QuoteResponse xmlns=\"urn:quotes\">"
        "<price>42.5</price></QuoteResponse></e:Body></e:Envelope>"));
    Connect(L"soap12_header.wsdl", server);
    const OwnedVariant symbol = OwnedVariant::String(L"NVX");
    const OwnedVariant session = OwnedVariant::String(L"s-1");
    ASSERT_HR(S_OK, Call(L"Quote", {&symbol, &session}));
    EXPECT_EQ(result_->vt, VT_R8);
    const std::string request = server.Request();
    const std::string body = BodyOf(request);
    EXPECT_NE(request.find("Content-Type: application/soap+xml; charset=utf-8; action=\"urn:quotes#Quote\""),
              std::string::npos)
        << request;
    EXPECT_EQ(request.find("SOAPAction"), std::string::npos) << request;
    EXPECT_NE(body.find("=\"http://www.w3.org/2003/05/soap-envelope\""), std::string::npos) << body;
    const size_t header = body.find("Header>"), session_at = body.find(">s-1<"), body_at = body.find("Body>");
    EXPECT_TRUE(header < session_at && session_at < body_at) << body;
    EXPECT_NE(body.find(">NVX</"), std::string::npos) << body;
}

TEST_F(SoapClientRequestTest, ReadsNilAndMissingResults)
{
    const struct {
        std::string response;
        VARTYPE type;
    } cases[] = {
        {"<HelloWorldResponse xmlns=\"http://example.org/inventory/\"><HelloWorldResult>hello</HelloWorldResult>"
         "</HelloWorldResponse>",
         VT_BSTR},
        {"<HelloWorldResponse xmlns=\"http://example.org/inventory/\"><HelloWorldResult xsi:nil=\"true\"/>"
         "</HelloWorldResponse>",
         VT_NULL},
        {"<HelloWorldResponse xmlns=\"http://example.org/inventory/\"/>", VT_EMPTY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.response);
        CaptureServer server(Answer(Envelope(c.response)));
        Connect(L"aspnet_wrapped.wsdl", server);
        ASSERT_HR(S_OK, Call(L"HelloWorld", {}));
        EXPECT_EQ(result_->vt, c.type);
    }
}

TEST_F(SoapClientRequestTest, SendsADateTimeGivenAsTextInUniversalTime)
{
    CaptureServer server(Answer(Envelope("<m:LabelResponse xmlns:m=\"urn:calc\"><label>x</label></m:LabelResponse>")));
    Connect(L"rpc_style.wsdl", server);
    const OwnedVariant text = OwnedVariant::String(L"A");
    const OwnedVariant stamp = OwnedVariant::String(L"2024-01-02T03:04:05+02:00");
    ASSERT_HR(S_OK, Call(L"Label", {&text, &stamp}));
    const std::string body = BodyOf(server.Request());
    EXPECT_NE(body.find("<stamp>2024-01-02T01:04:05</stamp>"), std::string::npos) << body;
}

TEST_F(SoapClientRequestTest, ReportsAnswersItCannotUse)
{
    const struct {
        std::string response;
        HRESULT code;
        const wchar_t* description;
    } cases[] = {
        {Answer(Envelope("<m:MultiplyResponse xmlns:m=\"urn:calc\"><return>lots</return></m:MultiplyResponse>")),
         DISP_E_TYPEMISMATCH, L"The result of Multiply is not a valid double: \"lots\""},
        {Answer("<html><body><h1>Bad Gateway</h1></body></html>", "502 Bad Gateway"),
         HRESULT_FROM_WIN32(ERROR_INVALID_DATA), L"is not a SOAP message"},
        {Answer(Envelope("<s:Fault><faultcode>s:Client</faultcode><faultstring>no</faultstring>"
                         "<faultactor>urn:calc</faultactor><detail><e:why xmlns:e=\"urn:e\">x</e:why></detail>"
                         "</s:Fault>"),
                "500 Internal Server Error"),
         E_FAIL, L"no"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.response);
        CaptureServer server(c.response);
        Connect(L"rpc_style.wsdl", server);
        const OwnedVariant x = OwnedVariant::I4(6);
        ExceptionInfo exception;
        ASSERT_HR(DISP_E_EXCEPTION, Call(L"Multiply", {&x, &x}, &exception));
        EXPECT_HR(c.code, exception.Code());
        EXPECT_NE(exception.Description().find(c.description), std::wstring::npos) << exception.Description();
    }
    Bstr detail;
    Bstr actor;
    EXPECT_HR(S_OK, client_->get_detail(detail.Put()));
    EXPECT_HR(S_OK, client_->get_faultactor(actor.Put()));
    EXPECT_EQ(detail.View(), L"<e:why xmlns:e=\"urn:e\">x</e:why>");
    EXPECT_EQ(actor.View(), L"urn:calc");
}

}  // namespace
