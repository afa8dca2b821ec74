// Calls over standard SOAP/HTTP against the real sample service and the
// canned server, through the caller object.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "NvxWebSvc.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "mssoap.h"
#include "server_module.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::ComPtr;
using nvx::test::ComApartment;
using nvx::test::ErrorDescription;
using nvx::test::OwnedVariant;
using nvx::test::SecureServiceUrl;
using nvx::test::ServiceUrl;
using nvx::test::WithUserInfo;

constexpr wchar_t kExchangeFailed[] = L"HTTP/Timeout/Network problem: ";

bool StartsWith(const std::wstring& text, const std::wstring& start) { return text.rfind(start, 0) == 0; }

std::string Narrow(const std::wstring& text)
{
    std::string out(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// What one Execute returned.
struct Outcome {
    HRESULT status;
    std::wstring xml;
    std::wstring error;  // the thread's error description after a failure
};

Outcome Execute(IComWebSvc* caller, const std::wstring& url, const wchar_t* method, const VARIANT& names,
                const VARIANT& values)
{
    BSTR endPoint = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    BSTR webMethod = SysAllocString(method);
    BSTR xml = nullptr;
    SetErrorInfo(0, nullptr);
    Outcome outcome{caller->get_Execute(endPoint, webMethod, names, values, &xml), {}, {}};
    if (xml) outcome.xml = xml;
    SysFreeString(xml);
    SysFreeString(webMethod);
    SysFreeString(endPoint);
    if (FAILED(outcome.status)) outcome.error = ErrorDescription();
    return outcome;
}

class SoapCallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        caller_ = nvx::test::CreateInProcess<IComWebSvc>(CLSID_ComWebSvc);
        ASSERT_TRUE(caller_);
        caller_->put_SoapTransportProtocol(SoapOverHTTP);
        caller_->put_Timeout(10000);
        sample_ = ServiceUrl("sample");
        ASSERT_FALSE(sample_.empty()) << "the sample service is not running";
    }

    Outcome Execute(const std::wstring& url, const wchar_t* method, const VARIANT& names, const VARIANT& values)
    {
        return ::Execute(caller_.Get(), url, method, names, values);
    }

    Outcome Execute(const wchar_t* method, const VARIANT& names, const VARIANT& values)
    {
        return Execute(sample_, method, names, values);
    }

    ComApartment apartment_;
    ComPtr<IComWebSvc> caller_;
    std::wstring sample_;
};

TEST_F(SoapCallTest, AddReturnsTheSumInTheDocument)
{
    auto names = OwnedVariant::StringArray({L"a", L"b"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(2), OwnedVariant::I4(3)});
    const Outcome outcome = Execute(L"Add", *names.Get(), *values.Get());
    ASSERT_HR(S_OK, outcome.status);
    EXPECT_NE(std::wstring::npos, outcome.xml.find(L"AddResult>5</")) << Narrow(outcome.xml);
}

TEST_F(SoapCallTest, EchoRoundTripsMarkupQuotesAndNonAscii)
{
    const wchar_t text[] = L"a & b < c > \"d\" 'e' Gr\x00fc\x00df"
                           L"e \x20ac";
    auto names = OwnedVariant::String(L"text");
    auto values = OwnedVariant::VariantArray({OwnedVariant::String(text)});
    ComPtr<IDispatch> document;
    BSTR endPoint = SysAllocString(sample_.c_str());
    BSTR method = SysAllocString(L"Echo");
    ASSERT_HR(S_OK, caller_->get_Execute2(endPoint, method, *names.Get(), *values.Get(), &document));
    ComPtr<IXMLDOMDocument> dom;
    ASSERT_HR(S_OK, document.As(&dom));
    ComPtr<IXMLDOMElement> root;
    dom->get_documentElement(&root);
    BSTR content = nullptr;
    root->get_text(&content);
    EXPECT_STREQ(text, content);
    SysFreeString(content);
    SysFreeString(method);
    SysFreeString(endPoint);
}

TEST_F(SoapCallTest, SumOfAnArrayOfLongs)
{
    auto names = OwnedVariant::String(L"values");
    auto values = OwnedVariant::VariantArray({OwnedVariant::VariantArray({OwnedVariant::I4(3), OwnedVariant::I4(4)})});
    const Outcome outcome = Execute(L"Sum", *names.Get(), *values.Get());
    ASSERT_HR(S_OK, outcome.status);
    EXPECT_NE(std::wstring::npos, outcome.xml.find(L"SumResult>7</")) << Narrow(outcome.xml);
}

TEST_F(SoapCallTest, AFaultIsASuccessfulCallWithTheFaultInTheDocument)
{
    auto names = OwnedVariant::String(L"message");
    auto values = OwnedVariant::VariantArray({OwnedVariant::String(L"it failed on purpose")});
    const Outcome outcome = Execute(L"Fail", *names.Get(), *values.Get());
    ASSERT_HR(S_OK, outcome.status);
    EXPECT_NE(std::wstring::npos, outcome.xml.find(L"Fault")) << Narrow(outcome.xml);
    EXPECT_NE(std::wstring::npos, outcome.xml.find(L"it failed on purpose"));
}

TEST_F(SoapCallTest, Execute3ReturnsTheReaderWithTheResult)
{
    auto names = OwnedVariant::StringArray({L"a", L"b"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(20), OwnedVariant::I4(22)});
    BSTR endPoint = SysAllocString(sample_.c_str());
    BSTR method = SysAllocString(L"Add");
    ComPtr<IDispatch> result;
    ASSERT_HR(S_OK, caller_->get_Execute3(endPoint, method, *names.Get(), *values.Get(), &result));
    ComPtr<ISoapReader> reader;
    ASSERT_HR(S_OK, result.As(&reader));
    ComPtr<IDispatch> value;
    ASSERT_HR(S_OK, reader->get_RPCResult(&value));
    ComPtr<IXMLDOMNode> node;
    ASSERT_HR(S_OK, value.As(&node));
    BSTR text = nullptr;
    node->get_text(&text);
    EXPECT_STREQ(L"42", text);
    SysFreeString(text);
    SysFreeString(method);
    SysFreeString(endPoint);
}

TEST_F(SoapCallTest, CompressedAnswersAreDecoded)
{
    caller_->put_Compression(GZip);
    const Outcome outcome =
        Execute(ServiceUrl("canned", L"/gzip"), L"Add", *OwnedVariant::Missing().Get(), *OwnedVariant::Missing().Get());
    ASSERT_HR(S_OK, outcome.status) << Narrow(outcome.error);
    EXPECT_NE(std::wstring::npos, outcome.xml.find(L"AddResult>5</")) << Narrow(outcome.xml);
}

// The fixed message first, for callers that compare its start, then the cause.
TEST_F(SoapCallTest, TransportFailuresReportTheNetworkProblemAndItsCause)
{
    const struct {
        std::wstring url;
        const wchar_t* cause;
    } cases[] = {
        {L"http://127.0.0.1:9/", L"connection refused by 127.0.0.1:9"},
        {ServiceUrl("canned", L"/html404"), L"HTTP status 404 Not Found"},
        {ServiceUrl("canned", L"/empty"), L"is not HTTP"},
        {ServiceUrl("canned", L"/cut"), L"ended before the answer"},
        {ServiceUrl("canned", L"/protected"), L"HTTP status 401 Unauthorized"},
        {L"ftp://127.0.0.1/", L"not an http:// or https:// URL"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Execute(c.url, L"Add", *OwnedVariant::Missing().Get(), *OwnedVariant::Missing().Get());
        EXPECT_HR(E_FAIL, outcome.status) << Narrow(c.url);
        EXPECT_TRUE(StartsWith(outcome.error, kExchangeFailed)) << Narrow(outcome.error);
        EXPECT_NE(std::wstring::npos, outcome.error.find(c.cause)) << Narrow(outcome.error);
        EXPECT_TRUE(outcome.xml.empty());
    }
}

TEST_F(SoapCallTest, TheDescriptionIsTheSameThroughIDispatch)
{
    const std::wstring url = L"http://127.0.0.1:9/";
    const Outcome direct = Execute(url, L"Add", *OwnedVariant::Missing().Get(), *OwnedVariant::Missing().Get());
    ComPtr<IDispatch> dispatch;
    ASSERT_HR(S_OK, caller_.As(&dispatch));
    OwnedVariant arguments[] = {OwnedVariant::Missing(), OwnedVariant::Missing(), OwnedVariant::String(L"Add"),
                                OwnedVariant::String(url.c_str())};  // last to first
    VARIANT values[4];
    for (int i = 0; i < 4; ++i) values[i] = *arguments[i].Get();
    DISPPARAMS parameters{values, nullptr, 4, 0};
    DISPID execute = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"Execute");
    ASSERT_HR(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &execute));
    OwnedVariant result;
    EXCEPINFO exception{};
    EXPECT_HR(DISP_E_EXCEPTION,
              dispatch->Invoke(execute, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                               &parameters, result.Get(), &exception, nullptr));
    EXPECT_EQ(direct.error, exception.bstrDescription ? exception.bstrDescription : L"");
    EXPECT_TRUE(StartsWith(direct.error, kExchangeFailed)) << Narrow(direct.error);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(SoapCallTest, ASlowServiceFailsWithinTheTimeout)
{
    caller_->put_Timeout(1000);
    auto names = OwnedVariant::String(L"ms");
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(8000)});
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = Execute(L"Sleep", *names.Get(), *values.Get());
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_HR(E_FAIL, outcome.status);
    EXPECT_EQ(std::wstring(kExchangeFailed) + L"time-out after 1000 ms", outcome.error);
    EXPECT_LT(elapsed, std::chrono::milliseconds(8000)) << "the call must end before the service answers";
}

TEST_F(SoapCallTest, CallsOverHttpsWithACertificateTheMachineTrusts)
{
    const std::wstring url = SecureServiceUrl("tls");
    ASSERT_FALSE(url.empty()) << "the TLS peers are not running";
    const Outcome outcome = Execute(url, L"Add", *OwnedVariant::Missing().Get(), *OwnedVariant::Missing().Get());
    ASSERT_HR(S_OK, outcome.status) << Narrow(outcome.error);
    EXPECT_NE(std::wstring::npos, outcome.xml.find(L"AddResult>5</")) << Narrow(outcome.xml);
}

// Each is refused in the handshake: the peer never sees a byte of the request.
TEST_F(SoapCallTest, RefusedCertificatesFailBeforeAnyRequestByteWithTheirReason)
{
    const struct {
        const char* peer;
        const wchar_t* reason;
    } cases[] = {
        {"tls-untrusted", L"not issued by a trusted authority (issuer: Untrusted Test CA)"},
        {"tls-wrong-name", L"not for localhost (it names other.invalid)"},
        {"tls-expired", L"expired on 2020-12-31"},
    };
    for (const auto& c : cases) {
        const std::wstring url = SecureServiceUrl(c.peer);
        ASSERT_FALSE(url.empty()) << "the TLS peers are not running";
        const Outcome outcome = Execute(url, L"Add", *OwnedVariant::Missing().Get(), *OwnedVariant::Missing().Get());
        EXPECT_HR(E_FAIL, outcome.status) << c.peer;
        EXPECT_TRUE(StartsWith(outcome.error, std::wstring(kExchangeFailed) + L"TLS with localhost:"))
            << Narrow(outcome.error);
        EXPECT_NE(std::wstring::npos, outcome.error.find(c.reason)) << Narrow(outcome.error);
        EXPECT_EQ(0, nvx::test::BytesReceivedBy(c.peer)) << c.peer;
    }
}

TEST_F(SoapCallTest, BasicCredentialsComeFromTheUrl)
{
    const std::wstring secure = SecureServiceUrl("tls", L"/protected");
    ASSERT_FALSE(secure.empty()) << "the TLS peers are not running";
    const struct {
        std::wstring url;
        const wchar_t* refusal;  // null when the call succeeds
    } cases[] = {
        {WithUserInfo(secure, nvx::test::kTestUserInfo), nullptr},
        {WithUserInfo(ServiceUrl("canned", L"/protected"), nvx::test::kTestUserInfo), nullptr},
        {WithUserInfo(secure, L"alice:wrong"), L"HTTP status 401 Unauthorized"},
        {secure, L"HTTP status 401 Unauthorized"},
        // Offered on a kept connection, once; this Wine has no NTLM to give.
        {WithUserInfo(ServiceUrl("canned", L"/windows-auth"), nvx::test::kTestUserInfo),
         L"HTTP status 401 Unauthorized"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Execute(c.url, L"Add", *OwnedVariant::Missing().Get(), *OwnedVariant::Missing().Get());
        if (!c.refusal) {
            EXPECT_HR(S_OK, outcome.status) << Narrow(c.url) << " " << Narrow(outcome.error);
            EXPECT_NE(std::wstring::npos, outcome.xml.find(L"AddResult>5</")) << Narrow(outcome.xml);
            continue;
        }
        EXPECT_HR(E_FAIL, outcome.status) << Narrow(c.url);
        EXPECT_EQ(std::wstring(kExchangeFailed) + c.refusal, outcome.error) << "and no credentials in it";
    }
}

// Each object the call creates, made impossible to create in turn.
TEST_F(SoapCallTest, CreationFailuresReportWhichObject)
{
    const struct {
        CLSID deniedClass;
        const wchar_t* message;
    } cases[] = {
        {CLSID_HttpConnector, L"Failed to create SOAP connector control"},
        {CLSID_SoapSerializer, L"Failed to create SOAP serializer control"},
        {CLSID_SoapReader, L"Failed to create SOAP reader control"},
    };
    auto names = OwnedVariant::StringArray({L"a", L"b"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(2), OwnedVariant::I4(3)});
    for (const auto& row : cases) {
        ASSERT_HR(S_OK, nvx::test::DenyLoaderClasses({row.deniedClass}));
        const Outcome outcome = Execute(L"Add", *names.Get(), *values.Get());
        nvx::test::DenyLoaderClasses({});
        EXPECT_HR(E_FAIL, outcome.status);
        EXPECT_TRUE(StartsWith(outcome.error, std::wstring(row.message) + L": ")) << Narrow(outcome.error);
    }
}

// Text that would reach the request head with a line break or NUL, or a URL
// with a space or control character, is refused before anything is sent: the
// canned answer would otherwise make the call succeed.
TEST_F(SoapCallTest, HeadBreakingArgumentsAreRefusedOnBothTransports)
{
    const std::wstring url = ServiceUrl("canned", L"/plain");
    const wchar_t* const badUrl = L"Invalid EndPointURL: spaces and control characters cannot be sent in a URL";
    const struct {
        std::wstring url;
        const wchar_t* method;
        const wchar_t* nameSpace;
        const wchar_t* error;
    } rows[] = {
        {url + L"\r\nX-Injected: yes", L"Add", L"urn:a/", badUrl},
        {url + L" HTTP/1.1\r\n", L"Add", L"urn:a/", badUrl},
        {url + std::wstring(L"\0\nX", 3), L"Add", L"urn:a/", badUrl},
        {url + L"\tx", L"Add", L"urn:a/", badUrl},
        {url, L"Add\r\nX-Injected: yes", L"urn:a/",
         L"Invalid WebMethod: a line break or NUL character cannot be sent in the SOAPAction header"},
        {url, L"Add", L"urn:a\nX-Injected: yes",
         L"Invalid NameSpace: a line break or NUL character cannot be sent in the SOAPAction header"},
    };
    auto missing = OwnedVariant::Missing();
    for (const _SOAPTRANSPORT_ transport : {SoapOverNXComm, SoapOverHTTP}) {
        caller_->put_SoapTransportProtocol(transport);
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << "transport " << transport << ", " << Narrow(row.url) << " "
                                            << Narrow(row.method) << " " << Narrow(row.nameSpace));
            BSTR nameSpace = SysAllocString(row.nameSpace);
            caller_->put_NameSpace(nameSpace);
            SysFreeString(nameSpace);
            const Outcome outcome = Execute(row.url, row.method, *missing.Get(), *missing.Get());
            EXPECT_HR(E_INVALIDARG, outcome.status);
            EXPECT_EQ(row.error, outcome.error);
        }
    }
}

TEST_F(SoapCallTest, AnArrayOfObjectsIsRefusedByName)
{
    auto names = OwnedVariant::String(L"values");
    auto values = OwnedVariant::VariantArray({OwnedVariant::TypedArray(VT_UNKNOWN, {nullptr})});
    const Outcome outcome = Execute(L"Sum", *names.Get(), *values.Get());
    EXPECT_HR(E_INVALIDARG, outcome.status);
    EXPECT_EQ(L"Invalid value of argument values: an array of records, objects or elements of an unknown type "
              L"cannot be sent",
              outcome.error);
}

TEST_F(SoapCallTest, NullResultPointersAreRefused)
{
    BSTR endPoint = SysAllocString(sample_.c_str());
    BSTR method = SysAllocString(L"Add");
    auto missing = OwnedVariant::Missing();
    EXPECT_HR(E_POINTER, caller_->get_Execute(endPoint, method, *missing.Get(), *missing.Get(), nullptr));
    EXPECT_HR(E_POINTER, caller_->get_Execute2(endPoint, method, *missing.Get(), *missing.Get(), nullptr));
    EXPECT_HR(E_POINTER, caller_->get_Execute3(endPoint, method, *missing.Get(), *missing.Get(), nullptr));
    SysFreeString(method);
    SysFreeString(endPoint);
}

// A connector that hands out no request stream, made by a class object
// registered for this process in place of the gateway connector.
class StreamlessConnector final : public ISoapConnector, public IClassFactory {
public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISoapConnector) || IsEqualIID(iid, IID_IDispatch))
            *out = static_cast<ISoapConnector*>(this);
        else if (IsEqualIID(iid, IID_IClassFactory))
            *out = static_cast<IClassFactory*>(this);
        else
            return *out = nullptr, E_NOINTERFACE;
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }
    IFACEMETHODIMP CreateInstance(IUnknown*, REFIID iid, void** out) override { return QueryInterface(iid, out); }
    IFACEMETHODIMP LockServer(BOOL) override { return S_OK; }
    IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    IFACEMETHODIMP get_InputStream(IStream** stream) override { return *stream = nullptr, S_OK; }
    IFACEMETHODIMP get_OutputStream(IStream** stream) override { return *stream = nullptr, S_OK; }
    IFACEMETHODIMP get_Property(BSTR, VARIANT*) override { return S_OK; }
    IFACEMETHODIMP put_Property(BSTR, VARIANT) override { return S_OK; }
    IFACEMETHODIMP ConnectWSDL(IWSDLPort*) override { return S_OK; }
    IFACEMETHODIMP Connect() override { return S_OK; }
    IFACEMETHODIMP BeginMessageWSDL(IWSDLOperation*) override { return S_OK; }
    IFACEMETHODIMP EndMessage() override { return S_OK; }
    IFACEMETHODIMP Reset() override { return S_OK; }
    IFACEMETHODIMP BeginMessage() override { return S_OK; }
};

// The loader keeps class objects per thread, so a fresh thread meets the one
// registered here and holds it until that thread ends. The thread is
// free-threaded and makes the caller through the module's own factory, so the
// call runs on it and needs no apartment window.
TEST(SoapCallFailures, AConnectorWithoutAStreamIsTheGenericFailure)
{
    static StreamlessConnector connector;
    nvx::test::ServerModule module;
    Outcome outcome{S_OK, {}, {}};
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        DWORD cookie = 0;
        HRESULT registered = CoRegisterClassObject(CLSID_NvxHTTPConnector, static_cast<IClassFactory*>(&connector),
                                                   CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
        ComPtr<IComWebSvc> caller;
        if (SUCCEEDED(registered))
            module.Create(CLSID_ComWebSvc, IID_IComWebSvc, reinterpret_cast<void**>(caller.GetAddressOf()));
        if (caller) {
            auto missing = OwnedVariant::Missing();
            outcome = Execute(caller.Get(), L"http://127.0.0.1:9/", L"Add", *missing.Get(), *missing.Get());
            caller.Reset();
        }
        if (SUCCEEDED(registered)) CoRevokeClassObject(cookie);
        CoUninitialize();
    }).join();
    EXPECT_HR(E_FAIL, outcome.status);
    EXPECT_EQ(L"Generic Web service caller error: the connector gave no request stream", outcome.error);
}

}  // namespace
