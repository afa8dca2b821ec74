// Calls over the default transport: through the real nxcommd to the sample
// service and the canned server, and what transport failures look like.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "NvxWebSvc.h"
#include "base/common/com_ptr.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::ComPtr;
using nvx::test::ComApartment;
using nvx::test::OwnedVariant;
using nvx::test::ServiceUrl;

class GatewayCallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string gateway = nvx::test::GatewayAddress();
        ASSERT_FALSE(gateway.empty()) << "the gateway is not running";
        SetEnvironmentVariableA("NXCOMM_GATEWAY", gateway.c_str());
        caller_ = nvx::test::CreateInProcess<IComWebSvc>(CLSID_ComWebSvc);
        ASSERT_TRUE(caller_);
        caller_->put_Timeout(10000);
    }
    void TearDown() override { SetEnvironmentVariableA("NXCOMM_GATEWAY", nullptr); }

    // The XML text Execute returned; the call must succeed.
    std::wstring Execute(const std::wstring& url, const wchar_t* method, const VARIANT& names, const VARIANT& values)
    {
        BSTR endPoint = SysAllocString(url.c_str());
        BSTR webMethod = SysAllocString(method);
        BSTR xml = nullptr;
        EXPECT_HR(S_OK, caller_->get_Execute(endPoint, webMethod, names, values, &xml));
        std::wstring text = xml ? xml : L"";
        SysFreeString(xml);
        SysFreeString(webMethod);
        SysFreeString(endPoint);
        return text;
    }

    std::wstring Execute(const std::wstring& url)
    {
        return Execute(url, L"Add", *OwnedVariant::Missing().Get(), *OwnedVariant::Missing().Get());
    }

    static bool Contains(const std::wstring& text, const std::wstring& part)
    {
        return text.find(part) != std::wstring::npos;
    }

    ComApartment apartment_;
    ComPtr<IComWebSvc> caller_;
};

TEST_F(GatewayCallTest, AddEchoAndSumReachTheService)
{
    auto addNames = OwnedVariant::StringArray({L"a", L"b"});
    auto addValues = OwnedVariant::VariantArray({OwnedVariant::I4(2), OwnedVariant::I4(3)});
    EXPECT_TRUE(Contains(Execute(ServiceUrl("sample"), L"Add", *addNames.Get(), *addValues.Get()), L"AddResult>5</"));

    const wchar_t text[] = L"a & b < c Gr\x00fc\x00df"
                           L"e \x20ac";
    auto echoValues = OwnedVariant::VariantArray({OwnedVariant::String(text)});
    const std::wstring echo =
        Execute(ServiceUrl("sample"), L"Echo", *OwnedVariant::String(L"text").Get(), *echoValues.Get());
    EXPECT_TRUE(Contains(echo, L"Gr\x00fc\x00df"
                               L"e \x20ac"))
        << "non-ASCII text survives the gateway";
    EXPECT_TRUE(Contains(echo, L"a &amp; b &lt; c"));

    auto sumValues =
        OwnedVariant::VariantArray({OwnedVariant::VariantArray({OwnedVariant::I4(3), OwnedVariant::I4(4)})});
    EXPECT_TRUE(
        Contains(Execute(ServiceUrl("sample"), L"Sum", *OwnedVariant::String(L"values").Get(), *sumValues.Get()),
                 L"SumResult>7</"))
        << "array children lose the generated prefix on the way";
}

TEST_F(GatewayCallTest, TheServicesFaultComesBackAsAnswered)
{
    auto values = OwnedVariant::VariantArray({OwnedVariant::String(L"refused on purpose")});
    const std::wstring xml =
        Execute(ServiceUrl("sample"), L"Fail", *OwnedVariant::String(L"message").Get(), *values.Get());
    EXPECT_TRUE(Contains(xml, L"refused on purpose")) << "the service's own fault";
}

TEST_F(GatewayCallTest, ATimeoutIsAFaultInASuccessfulCall)
{
    caller_->put_Timeout(1000);
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(6000)});
    const auto started = std::chrono::steady_clock::now();
    const std::wstring xml = Execute(ServiceUrl("sample"), L"Sleep", *OwnedVariant::String(L"ms").Get(), *values.Get());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(6000));
    EXPECT_TRUE(Contains(xml, L"<faultstring>Norvexa Timeout: no answer within 1000 ms</faultstring>"))
        << std::string(xml.begin(), xml.end());
}

TEST_F(GatewayCallTest, GatewayErrorPagesBecomeFaultsWithTheirHeading)
{
    const std::wstring refused = Execute(L"http://127.0.0.1:9/");
    EXPECT_TRUE(Contains(refused, L"<faultstring>")) << std::string(refused.begin(), refused.end());
    EXPECT_TRUE(Contains(refused, L"Bad Gateway")) << "the 502 page's heading";

    const std::wstring forbidden = Execute(L"http://127.0.0.2:8080/");
    EXPECT_TRUE(Contains(forbidden, L"Forbidden")) << std::string(forbidden.begin(), forbidden.end());

    const std::wstring notFound = Execute(ServiceUrl("canned", L"/html404"));
    EXPECT_TRUE(Contains(notFound, L"<faultstring>Not Found</faultstring>"));
}

TEST_F(GatewayCallTest, ChunkedAndCompressedAnswersAreDecoded)
{
    for (const wchar_t* path :
         {L"/chunked", L"/deflate", L"/zlib", L"/gzip", L"/chunked-deflate", L"/deflate-far", L"/lower-case-codings"}) {
        caller_->put_Compression(GZip);
        EXPECT_TRUE(Contains(Execute(ServiceUrl("canned", path)), L"AddResult>5</"))
            << std::string(path, path + wcslen(path));
    }
}

// A thread keeps its connection to the gateway, so a fresh thread is the one
// that finds no gateway at the address.
TEST_F(GatewayCallTest, AGatewayThatIsNotRunningGivesAFaultNotAHang)
{
    SetEnvironmentVariableA("NXCOMM_GATEWAY", "127.0.0.1:9");
    std::wstring xml;
    std::thread([&] {
        ComApartment apartment;
        auto caller = nvx::test::CreateInProcess<IComWebSvc>(CLSID_ComWebSvc);
        ASSERT_TRUE(caller);
        BSTR endPoint = SysAllocString(ServiceUrl("sample").c_str());
        BSTR method = SysAllocString(L"Add");
        BSTR answer = nullptr;
        auto missing = OwnedVariant::Missing();
        EXPECT_HR(S_OK, caller->get_Execute(endPoint, method, *missing.Get(), *missing.Get(), &answer));
        xml = answer ? answer : L"";
        SysFreeString(answer);
        SysFreeString(method);
        SysFreeString(endPoint);
    }).join();
    EXPECT_TRUE(Contains(xml, L"<faultstring>Norvexa Socket Exception: the gateway cannot be reached "
                              L"(NXCOMM_GATEWAY=127.0.0.1:9)</faultstring>"))
        << std::string(xml.begin(), xml.end());
}

TEST_F(GatewayCallTest, BasicCredentialsFromTheUrlGoInTheAuthorizationHeader)
{
    const std::wstring protectedUrl = ServiceUrl("canned", L"/protected");
    EXPECT_TRUE(Contains(Execute(nvx::test::WithUserInfo(protectedUrl, nvx::test::kTestUserInfo)), L"AddResult>5</"));
    for (const std::wstring& refused : {nvx::test::WithUserInfo(protectedUrl, L"alice:wrong"), protectedUrl}) {
        const std::wstring xml = Execute(refused);
        EXPECT_TRUE(Contains(xml, L"<faultstring>HTTP status 401 Unauthorized</faultstring>"))
            << std::string(xml.begin(), xml.end());
    }
}

// The head goes to the trace as sent, except the credentials.
TEST_F(GatewayCallTest, TheTraceShowsThatCredentialsWentOutButNotWhichOnes)
{
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    const std::string path = std::string(directory) + "nvx_credentials_trace.log";
    ComPtr<INvxTracer> tracer;
    ASSERT_HR(S_OK, caller_.As(&tracer));
    BSTR tracePath = SysAllocString(std::wstring(path.begin(), path.end()).c_str());
    tracer->put_OutputFile(tracePath);
    const std::wstring url = ServiceUrl("canned", L"/protected");
    Execute(nvx::test::WithUserInfo(url, nvx::test::kTestUserInfo));
    tracer->put_OutputFile(nullptr);
    SysFreeString(tracePath);

    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    const std::string trace = bytes.str();
    const std::string host(url.begin() + 7, url.begin() + static_cast<ptrdiff_t>(url.find(L'/', 7)));
    EXPECT_NE(std::string::npos, trace.find("POST /protected HTTP/1.1\r\n")) << trace;
    EXPECT_NE(std::string::npos, trace.find("\r\nHost: " + host + "\r\n")) << trace;
    EXPECT_NE(std::string::npos, trace.find("\r\nAuthorization: Basic (hidden)\r\n")) << trace;
    for (const char* secret : {"ss/w@rd", "%3Ass%2Fw%40rd", "YWxpY2U6cMOkOnNzL3dAcmQ="})
        EXPECT_EQ(std::string::npos, trace.find(secret)) << secret;
    DeleteFileA(path.c_str());
}

}  // namespace
