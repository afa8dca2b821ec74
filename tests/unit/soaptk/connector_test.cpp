// The standard HTTP connector against real servers on loopback: the sample
// service, and canned answers for what that service will not send.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/error_info.h"
#include "capture_server.h"
#include "soap_exchange.h"
#include "soaptk_objects.h"
#include "test_support.h"

namespace {

using nvx::ComPtr;
using nvx::test::NodeText;
using nvx::test::ServiceUrl;
using nvx::test::SoapExchange;

class ConnectorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (ServiceUrl("sample").empty() || ServiceUrl("canned").empty()) GTEST_SKIP() << "services not running";
    }

    // Add(2, 3) as the sample service expects it, to `url`.
    void PrepareAdd(const std::wstring& url)
    {
        ASSERT_HR(S_OK, exchange_.Set(L"EndPointURL", url));
        ASSERT_HR(S_OK, exchange_.Set(L"SoapAction", std::wstring(nvx::test::kSampleNamespace) + L"Add"));
        exchange_.WriteRequest(L"Add", {{L"a", L"2"}, {L"b", L"3"}});
    }

    std::wstring Result()
    {
        ComPtr<IDispatch> result;
        EXPECT_HR(S_OK, exchange_.Reader()->get_RPCResult(&result));
        return NodeText(result.Get());
    }

    nvx::test::ComApartment apartment_;
    SoapExchange exchange_;
};

TEST_F(ConnectorTest, CallsTheSampleServiceAndHandsOverItsAnswer)
{
    PrepareAdd(ServiceUrl("sample"));
    ASSERT_HR(S_OK, exchange_.Send());
    ASSERT_TRUE(exchange_.ReaderAccepts()) << exchange_.Answer();
    EXPECT_EQ(Result(), L"5");
}

TEST_F(ConnectorTest, CarriesTextUnchangedBothWays)
{
    const std::wstring text = L"a&b<c>\"q\" 'x' Gr\u00fc\u00dfe \u20ac \U0001F600";
    ASSERT_HR(S_OK, exchange_.Set(L"EndPointURL", ServiceUrl("sample")));
    exchange_.WriteRequest(L"Echo", {{L"text", text}});
    ASSERT_HR(S_OK, exchange_.Send());
    ASSERT_TRUE(exchange_.ReaderAccepts()) << exchange_.Answer();
    EXPECT_EQ(Result(), text);
}

// A SOAP fault comes with status 500 and must reach the reader all the same.
TEST_F(ConnectorTest, HandsOverAFaultLikeAnyAnswer)
{
    ASSERT_HR(S_OK, exchange_.Set(L"EndPointURL", ServiceUrl("sample")));
    exchange_.WriteRequest(L"Fail", {{L"message", L"it broke"}});
    ASSERT_HR(S_OK, exchange_.Send());
    ASSERT_TRUE(exchange_.ReaderAccepts()) << exchange_.Answer();
    ComPtr<IDispatch> faultString;
    ASSERT_HR(S_OK, exchange_.Reader()->get_FaultString(&faultString));
    EXPECT_EQ(NodeText(faultString.Get()), L"it broke");
}

TEST_F(ConnectorTest, DecodesCompressedAnswers)
{
    for (const wchar_t* path :
         {L"/gzip", L"/deflate", L"/zlib", L"/deflate-far", L"/chunked-deflate", L"/lower-case-codings"}) {
        SCOPED_TRACE(testing::Message() << path);
        SoapExchange exchange;
        ASSERT_HR(S_OK, exchange.Set(L"Accept-Encoding", L"gzip, deflate"));
        ASSERT_HR(S_OK, exchange.Set(L"EndPointURL", ServiceUrl("canned", path)));
        exchange.WriteRequest(L"Add", {{L"a", L"2"}, {L"b", L"3"}});
        ASSERT_HR(S_OK, exchange.Send());
        ASSERT_TRUE(exchange.ReaderAccepts());
        ComPtr<IDispatch> result;
        ASSERT_HR(S_OK, exchange.Reader()->get_RPCParameter(nvx::Bstr(L"AddResult").Get(), nullptr, &result));
        EXPECT_EQ(NodeText(result.Get()), L"5");
    }
}

TEST_F(ConnectorTest, GivesUpWhenTheTimeoutEnds)
{
    const struct {
        const wchar_t* path;
        const wchar_t* timeout;
    } cases[] = {{L"/slow?ms=10000", L"1000"}, {L"/silent", L"500"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path);
        SoapExchange exchange;
        ASSERT_HR(S_OK, exchange.Set(L"Timeout", c.timeout));
        ASSERT_HR(S_OK, exchange.Set(L"EndPointURL", ServiceUrl("canned", c.path)));
        exchange.WriteRaw("<x/>");
        const ULONGLONG start = GetTickCount64();
        EXPECT_TRUE(FAILED(exchange.Send()));
        // Not a measurement: only that it did not wait for the server.
        EXPECT_LT(GetTickCount64() - start, 8000u);
        EXPECT_EQ(exchange.Answer(), "");
        EXPECT_FALSE(exchange.ReaderAccepts());
    }
}

TEST_F(ConnectorTest, LeavesTheAnswerEmptyWhenTheExchangeFails)
{
    const std::wstring urls[] = {
        L"http://127.0.0.1:" + std::to_wstring(nvx::test::UnusedPort()) + L"/",
        ServiceUrl("canned", L"/empty"),
        ServiceUrl("canned", L"/cut"),
        L"ftp://127.0.0.1/",
        L"not-a-url",
        L"",
    };
    for (const std::wstring& url : urls) {
        SCOPED_TRACE(testing::Message() << "url " << std::string(url.begin(), url.end()));
        SoapExchange exchange;
        if (!url.empty()) {
            ASSERT_HR(S_OK, exchange.Set(L"EndPointURL", url));
        }
        exchange.WriteRaw("<x/>");
        EXPECT_TRUE(FAILED(exchange.Send()));
        EXPECT_EQ(exchange.Answer(), "");
        EXPECT_FALSE(exchange.ReaderAccepts());
    }
}

// The status fails the send, and says why in the error object; the page
// stays readable.
TEST_F(ConnectorTest, FailsOnAnHtmlErrorPageAndHandsItOverForTheReaderToRefuse)
{
    ASSERT_HR(S_OK, exchange_.Set(L"EndPointURL", ServiceUrl("canned", L"/html404")));
    exchange_.WriteRaw("<x/>");
    SetErrorInfo(0, nullptr);
    EXPECT_HR(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 404), exchange_.Send());
    EXPECT_EQ(nvx::TakeErrorDescription(), L"HTTP status 404 Not Found");
    EXPECT_NE(exchange_.Answer().find("<h1>Not Found</h1>"), std::string::npos);
    EXPECT_FALSE(exchange_.ReaderAccepts());
}

TEST_F(ConnectorTest, FetchesWithGet)
{
    ASSERT_HR(S_OK, exchange_.Set(L"RequestMethod", L"get"));
    ASSERT_HR(S_OK, exchange_.Set(L"EndPointURL", ServiceUrl("sample", L"/?wsdl")));
    exchange_.WriteRaw("");
    ASSERT_HR(S_OK, exchange_.Send());
    EXPECT_NE(exchange_.Answer().find("definitions"), std::string::npos);
}

}  // namespace
