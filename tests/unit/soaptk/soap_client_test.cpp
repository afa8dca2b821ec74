// The SOAP client against the sample service: typed arguments by value and
// by reference, results of every kind, faults, time-outs, and late binding by
// name as automation clients use it.
#include <windows.h>
#include <winhttp.h>

#include <gtest/gtest.h>

#include <string>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/variant.h"
#include "late_call.h"
#include "mssoap.h"
#include "soaptk_objects.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;
using nvx::test::CallByName;
using nvx::test::ExceptionInfo;
using nvx::test::OwnedVariant;

constexpr wchar_t kXsdNamespace[] = L"http://www.w3.org/2001/XMLSchema";
constexpr wchar_t kDiffgramNamespace[] = L"urn:schemas-microsoft-com:xml-diffgram-v1";

OwnedVariant I8(LONGLONG value)
{
    OwnedVariant variant;
    variant.Get()->vt = VT_I8;
    variant.Get()->llVal = value;
    return variant;
}

// A by-reference argument pointing at `target`, which must outlive it.
OwnedVariant ByReference(VARIANT& target)
{
    OwnedVariant reference;
    reference.Get()->vt = VT_BYREF | target.vt;
    reference.Get()->byref = target.vt == VT_DECIMAL ? static_cast<void*>(&target) : &target.lVal;
    return reference;
}

OwnedVariant ReferenceToVariant(VARIANT& target)
{
    OwnedVariant reference;
    reference.Get()->vt = VT_BYREF | VT_VARIANT;
    reference.Get()->pvarVal = &target;
    return reference;
}

DATE January2nd2024()
{
    SYSTEMTIME time{2024, 1, 0, 2, 3, 4, 5, 0};
    DATE date = 0;
    SystemTimeToVariantTime(&time, &date);
    return date;
}

class SoapClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        url_ = nvx::test::ServiceUrl("sample");
        if (url_.empty()) GTEST_SKIP() << "services not running";
        client_ = nvx::test::CreateInProcess<ISOAPClient>(CLSID_SoapClient);
        ASSERT_TRUE(client_);
        ASSERT_HR(S_OK, client_->mssoapinit(Bstr(url_ + L"?wsdl").Get(), nullptr, nullptr, nullptr));
    }

    HRESULT Call(const wchar_t* name, const std::vector<const OwnedVariant*>& arguments,
                 ExceptionInfo* exception = nullptr, UINT* argumentError = nullptr)
    {
        return CallByName(client_.Get(), name, arguments, result_.Put(), exception, argumentError);
    }

    std::wstring ResultText()
    {
        EXPECT_EQ(result_->vt, VT_BSTR);
        return result_->vt == VT_BSTR ? std::wstring(result_->bstrVal) : L"";
    }

    std::wstring FaultString()
    {
        Bstr text;
        EXPECT_HR(S_OK, client_->get_faultstring(text.Put()));
        return std::wstring(text.View());
    }

    nvx::test::ComApartment apartment_;
    std::wstring url_;
    ComPtr<ISOAPClient> client_;
    nvx::Variant result_;
};

TEST_F(SoapClientTest, CallsAnOperationAndTypesItsResult)
{
    const OwnedVariant two = OwnedVariant::I4(2);
    const OwnedVariant three = OwnedVariant::String(L"3");
    ASSERT_HR(S_OK, Call(L"Add", {&two, &three}));
    ASSERT_EQ(result_->vt, VT_I4);
    EXPECT_EQ(result_->lVal, 5);

    const OwnedVariant big = I8(3000000000LL);
    const OwnedVariant factor = OwnedVariant::I2(-3);
    ASSERT_HR(S_OK, Call(L"Scale", {&big, &factor}));
    ASSERT_EQ(result_->vt, VT_I8);
    EXPECT_EQ(result_->llVal, -9000000000LL);
}

TEST_F(SoapClientTest, SendsTypedArgumentsInTheirLexicalForm)
{
    const std::wstring expected = L"count=3; ratio=2.5; flag=true; when=2024-01-02T03:04:05; name=x & y";
    const OwnedVariant count = OwnedVariant::I4(3);
    const OwnedVariant ratio = OwnedVariant::R8(2.5);
    const OwnedVariant flag = OwnedVariant::Bool(true);
    const OwnedVariant when = OwnedVariant::Date(January2nd2024());
    const OwnedVariant name = OwnedVariant::String(L"x & y");
    ASSERT_HR(S_OK, Call(L"Describe", {&count, &ratio, &flag, &when, &name}));
    EXPECT_EQ(ResultText(), expected);

    // The same values passed by reference, and through references to VARIANTs.
    VARIANT values[] = {*count.Get(), *ratio.Get(), *flag.Get(), *when.Get(), *name.Get()};
    const OwnedVariant byReference[] = {ByReference(values[0]), ByReference(values[1]), ReferenceToVariant(values[2]),
                                        ByReference(values[3]), ReferenceToVariant(values[4])};
    ASSERT_HR(S_OK,
              Call(L"Describe", {&byReference[0], &byReference[1], &byReference[2], &byReference[3], &byReference[4]}));
    EXPECT_EQ(ResultText(), expected);

    // Text in each type's own lexical form is taken as that type.
    const OwnedVariant texts[] = {OwnedVariant::String(L"3"), OwnedVariant::String(L"2.5"), OwnedVariant::String(L"1"),
                                  OwnedVariant::String(L"2024-01-02T03:04:05"), OwnedVariant::String(L"x & y")};
    ASSERT_HR(S_OK, Call(L"Describe", {&texts[0], &texts[1], &texts[2], &texts[3], &texts[4]}));
    EXPECT_EQ(ResultText(), expected);
}

TEST_F(SoapClientTest, SendsOmittedArgumentsEmptyAndNullAsNil)
{
    OwnedVariant null;
    null.Get()->vt = VT_NULL;
    const OwnedVariant empty;
    const OwnedVariant missing = OwnedVariant::Missing();
    const OwnedVariant count = OwnedVariant::I4(1);
    ASSERT_HR(S_OK, Call(L"Describe", {&count, &empty, &null, &missing}));
    EXPECT_EQ(ResultText(), L"count=1; ratio=(empty); flag=(nil); when=(empty); name=(empty)");
    // Every parameter of Describe is optional: none at all is a complete call.
    ASSERT_HR(S_OK, Call(L"Describe", {}));
    EXPECT_EQ(ResultText(), L"count=(empty); ratio=(empty); flag=(empty); when=(empty); name=(empty)");
}

TEST_F(SoapClientTest, RefusesArgumentsBeforeSendingThem)
{
    const OwnedVariant one = OwnedVariant::I4(1);
    const OwnedVariant word = OwnedVariant::String(L"one");
    const OwnedVariant huge = OwnedVariant::R8(1e12);
    const OwnedVariant list = OwnedVariant::I4Array({1, 2});
    const struct {
        const wchar_t* name;
        std::vector<const OwnedVariant*> arguments;
        HRESULT expected;
        UINT argumentError;
    } cases[] = {
        {L"Add", {&one}, DISP_E_BADPARAMCOUNT, 99},      {L"Add", {&one, &one, &one}, DISP_E_BADPARAMCOUNT, 99},
        {L"Add", {&word, &one}, DISP_E_TYPEMISMATCH, 1}, {L"Add", {&one, &huge}, DISP_E_OVERFLOW, 0},
        {L"Add", {&one, &list}, DISP_E_TYPEMISMATCH, 0}, {L"Echo", {&list}, DISP_E_TYPEMISMATCH, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "argument count " << c.arguments.size());
        UINT argumentError = 99;
        EXPECT_HR(c.expected, Call(c.name, c.arguments, nullptr, &argumentError));
        EXPECT_EQ(argumentError, c.argumentError);
        EXPECT_EQ(result_->vt, VT_EMPTY);
    }
}

TEST_F(SoapClientTest, RaisesAFaultAsAnException)
{
    const OwnedVariant message = OwnedVariant::String(L"it broke");
    ExceptionInfo exception;
    ASSERT_HR(DISP_E_EXCEPTION, Call(L"Fail", {&message}, &exception));
    EXPECT_EQ(exception.Description(), L"it broke");
    EXPECT_EQ(exception.Source(), L"SOAPClient");
    EXPECT_HR(E_FAIL, exception.Code());
    EXPECT_EQ(FaultString(), L"it broke");
    Bstr code;
    EXPECT_HR(S_OK, client_->get_faultcode(code.Put()));
    EXPECT_NE(code.View().find(L"Server"), std::wstring_view::npos) << std::wstring(code.View());

    // The next call starts without the last one's fault.
    const OwnedVariant text = OwnedVariant::String(L"fine");
    ASSERT_HR(S_OK, Call(L"Echo", {&text}));
    EXPECT_EQ(FaultString(), L"");
}

TEST_F(SoapClientTest, HandsOutAComplexResultAsItsNodes)
{
    const OwnedVariant rows = OwnedVariant::I4(2);
    ASSERT_HR(S_OK, Call(L"GetTable", {&rows}));
    ASSERT_EQ(result_->vt, VT_DISPATCH);
    ComPtr<IXMLDOMNodeList> nodes;
    ASSERT_HR(S_OK, result_->pdispVal->QueryInterface(IID_PPV_ARGS(&nodes)));
    long length = 0;
    ASSERT_HR(S_OK, nodes->get_length(&length));
    ASSERT_EQ(length, 2);
    const struct {
        const wchar_t* name;
        const wchar_t* uri;
    } expected[] = {{L"schema", kXsdNamespace}, {L"diffgram", kDiffgramNamespace}};
    for (long index = 0; index < length; ++index) {
        ComPtr<IXMLDOMNode> node;
        ASSERT_HR(S_OK, nodes->get_item(index, &node));
        Bstr name;
        Bstr uri;
        EXPECT_HR(S_OK, node->get_baseName(name.Put()));
        EXPECT_HR(S_OK, node->get_namespaceURI(uri.Put()));
        EXPECT_EQ(name.View(), expected[index].name);
        EXPECT_EQ(uri.View(), expected[index].uri);
    }
}

TEST_F(SoapClientTest, GivesUpWhenTheConnectorTimeoutEnds)
{
    const OwnedVariant timeout = OwnedVariant::String(L"1000");
    ASSERT_HR(S_OK, client_->put_ConnectorProperty(Bstr(L"Timeout").Get(), *timeout.Get()));
    nvx::Variant kept;
    ASSERT_HR(S_OK, client_->get_ConnectorProperty(Bstr(L"timeout").Get(), kept.Get()));
    EXPECT_STREQ(kept->bstrVal, L"1000");

    const OwnedVariant sleep = OwnedVariant::I4(4000);
    ExceptionInfo exception;
    const ULONGLONG start = GetTickCount64();
    ASSERT_HR(DISP_E_EXCEPTION, Call(L"Sleep", {&sleep}, &exception));
    // Not a measurement: only that it did not wait for the answer.
    EXPECT_LT(GetTickCount64() - start, 3500u);
    EXPECT_HR(HRESULT_FROM_WIN32(ERROR_WINHTTP_TIMEOUT), exception.Code());
    EXPECT_NE(exception.Description().find(url_), std::wstring::npos) << exception.Description();
    EXPECT_EQ(FaultString(), L"");
}

TEST_F(SoapClientTest, SendsToTheEndpointTheCallerSets)
{
    const OwnedVariant endpoint = OwnedVariant::String(nvx::test::ServiceUrl("canned", L"/html404").c_str());
    ASSERT_HR(S_OK, client_->put_ConnectorProperty(Bstr(L"EndPointURL").Get(), *endpoint.Get()));
    const OwnedVariant text = OwnedVariant::String(L"x");
    ExceptionInfo exception;
    ASSERT_HR(DISP_E_EXCEPTION, Call(L"Echo", {&text}, &exception));
    EXPECT_NE(exception.Description().find(L"failed: HTTP status 404 Not Found"), std::wstring::npos)
        << exception.Description();

    EXPECT_HR(E_INVALIDARG, client_->put_ConnectorProperty(Bstr(L"NoSuchProperty").Get(), *text.Get()));
}

TEST_F(SoapClientTest, FindsOperationsByNameInAnyCase)
{
    ComPtr<IDispatch> dispatch;
    ASSERT_HR(S_OK, client_.As(&dispatch));
    const auto idOf = [&](const wchar_t* name, HRESULT expected) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 12345;
        EXPECT_HR(expected, dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        return id;
    };
    const DISPID add = idOf(L"Add", S_OK);
    EXPECT_EQ(idOf(L"aDD", S_OK), add);
    EXPECT_NE(idOf(L"Echo", S_OK), add);
    EXPECT_EQ(idOf(L"faultString", S_OK), 3);
    EXPECT_EQ(idOf(L"mssoapinit", S_OK), 1);
    EXPECT_EQ(idOf(L"NoSuchOperation", DISP_E_UNKNOWNNAME), DISPID_UNKNOWN);
    EXPECT_HR(DISP_E_MEMBERNOTFOUND, dispatch->Invoke(add, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, nullptr,
                                                      nullptr, nullptr, nullptr));

    const OwnedVariant one = OwnedVariant::I4(1);
    ASSERT_HR(S_OK, Call(L"aDD", {&one, &one}));
    EXPECT_EQ(result_->lVal, 2);

    // Uninitialised, a client knows no operations; a failed initialisation
    // leaves it so.
    ComPtr<ISOAPClient> fresh = nvx::test::CreateInProcess<ISOAPClient>(CLSID_SoapClient);
    ComPtr<IDispatch> freshDispatch;
    ASSERT_HR(S_OK, fresh.As(&freshDispatch));
    EXPECT_HR(DISP_E_UNKNOWNNAME, CallByName(freshDispatch.Get(), L"Add", {&one, &one}, result_.Put()));
    EXPECT_HR(HRESULT_FROM_WIN32(ERROR_NOT_FOUND),
              client_->mssoapinit(Bstr(url_ + L"?wsdl").Get(), Bstr(L"NoSuchService").Get(), nullptr, nullptr));
    EXPECT_HR(DISP_E_UNKNOWNNAME, Call(L"Add", {&one, &one}));
}

TEST_F(SoapClientTest, PicksServiceAndPortByName)
{
    const struct {
        const wchar_t* service;
        const wchar_t* port;
        HRESULT expected;
    } cases[] = {
        {L"SampleService", L"SampleService", S_OK},
        {L"", L"", S_OK},
        {nullptr, L"SampleService", S_OK},
        {L"sampleservice", nullptr, HRESULT_FROM_WIN32(ERROR_NOT_FOUND)},
        {L"SampleService", L"NoSuchPort", HRESULT_FROM_WIN32(ERROR_NOT_FOUND)},
    };
    for (const auto& c : cases) {
        const Bstr service = c.service ? Bstr(c.service) : Bstr();
        const Bstr port = c.port ? Bstr(c.port) : Bstr();
        EXPECT_HR(c.expected, client_->mssoapinit(Bstr(url_ + L"?WSDL").Get(), service.Get(), port.Get(), nullptr));
    }
}

TEST_F(SoapClientTest, KeepsClientProperties)
{
    const OwnedVariant value = OwnedVariant::I4(7);
    ASSERT_HR(S_OK, client_->put_ClientProperty(Bstr(L"ServerHTTPRequest").Get(), *value.Get()));
    nvx::Variant kept;
    ASSERT_HR(S_OK, client_->get_ClientProperty(Bstr(L"serverhttprequest").Get(), kept.Get()));
    EXPECT_EQ(kept->vt, VT_I4);
    EXPECT_EQ(kept->lVal, 7);
    EXPECT_HR(E_INVALIDARG, client_->get_ClientProperty(Bstr(L"NeverSet").Get(), kept.Put()));
}

}  // namespace
