// The caller object's settings, its WSDL readers and its automation surface.
#include <gtest/gtest.h>

#include <string>

#include "NvxWebSvc.h"
#include "mssoap.h"
#include "test_support.h"

namespace {

using nvx::test::ComApartment;

class CallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_HR(S_OK, CoCreateInstance(CLSID_ComWebSvc, nullptr, CLSCTX_INPROC_SERVER, IID_IComWebSvc,
                                         reinterpret_cast<void**>(&caller_)));
    }
    void TearDown() override
    {
        if (caller_) caller_->Release();
    }

    DISPID IdOf(IDispatch* object, const wchar_t* name)
    {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_HR(S_OK, object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        return id;
    }

    ComApartment apartment_;
    IComWebSvc* caller_ = nullptr;
};

TEST_F(CallerTest, NewObjectHasTheDefaults)
{
    _HTTPCOMPRESSION_ compression = GZip;
    _SOAPTRANSPORT_ transport = SoapOverHTTP;
    long timeout = 0, proxy = 1;
    BSTR nameSpace = nullptr;
    EXPECT_HR(S_OK, caller_->get_Compression(&compression));
    EXPECT_HR(S_OK, caller_->get_SoapTransportProtocol(&transport));
    EXPECT_HR(S_OK, caller_->get_Timeout(&timeout));
    EXPECT_HR(S_OK, caller_->get_UseDefaultProxy(&proxy));
    EXPECT_HR(S_OK, caller_->get_NameSpace(&nameSpace));
    EXPECT_EQ(None, compression);
    EXPECT_EQ(SoapOverNXComm, transport);
    EXPECT_EQ(-1, timeout);
    EXPECT_EQ(0, proxy);
    ASSERT_NE(nullptr, nameSpace);
    const std::wstring text(nameSpace, SysStringLen(nameSpace));
    EXPECT_EQ(0u, text.rfind(L"http://", 0));
    EXPECT_EQ(text.size() - 13, text.rfind(L"/webservices/"));
    SysFreeString(nameSpace);
}

TEST_F(CallerTest, SettersStoreValuesUnchecked)
{
    EXPECT_HR(S_OK, caller_->put_Compression(static_cast<_HTTPCOMPRESSION_>(2)));
    EXPECT_HR(S_OK, caller_->put_SoapTransportProtocol(static_cast<_SOAPTRANSPORT_>(7)));
    EXPECT_HR(S_OK, caller_->put_Timeout(0));
    EXPECT_HR(S_OK, caller_->put_UseDefaultProxy(-5));
    _HTTPCOMPRESSION_ compression;
    _SOAPTRANSPORT_ transport;
    long timeout = -1, proxy = 0;
    caller_->get_Compression(&compression);
    caller_->get_SoapTransportProtocol(&transport);
    caller_->get_Timeout(&timeout);
    caller_->get_UseDefaultProxy(&proxy);
    EXPECT_EQ(2, compression);
    EXPECT_EQ(7, transport);
    EXPECT_EQ(0, timeout);
    EXPECT_EQ(-5, proxy);
}

TEST_F(CallerTest, NameSpaceRoundTripsIncludingNull)
{
    BSTR value = SysAllocString(L"urn:x\x00e9y");
    EXPECT_HR(S_OK, caller_->put_NameSpace(value));
    BSTR back = nullptr;
    EXPECT_HR(S_OK, caller_->get_NameSpace(&back));
    EXPECT_STREQ(value, back);
    EXPECT_NE(value, back) << "the caller gets its own copy";
    SysFreeString(back);
    SysFreeString(value);

    EXPECT_HR(S_OK, caller_->put_NameSpace(nullptr));
    back = SysAllocString(L"sentinel");
    BSTR sentinel = back;
    EXPECT_HR(S_OK, caller_->get_NameSpace(&back));
    EXPECT_EQ(nullptr, back);
    SysFreeString(sentinel);
}

TEST_F(CallerTest, NullOutputPointersAreRefused)
{
    EXPECT_HR(E_POINTER, caller_->get_Compression(nullptr));
    EXPECT_HR(E_POINTER, caller_->get_NameSpace(nullptr));
    EXPECT_HR(E_POINTER, caller_->get_SoapTransportProtocol(nullptr));
    EXPECT_HR(E_POINTER, caller_->get_Timeout(nullptr));
    EXPECT_HR(E_POINTER, caller_->get_UseDefaultProxy(nullptr));
    EXPECT_HR(E_POINTER, caller_->get_WSDLReader(nullptr));
}

TEST_F(CallerTest, GatewayTransportHandsOutTheGatewayWsdlReader)
{
    caller_->put_Timeout(-1);
    IDispatch* reader = nullptr;
    ASSERT_HR(S_OK, caller_->get_WSDLReader(&reader));
    ASSERT_NE(nullptr, reader);
    IUnknown* view = nullptr;
    EXPECT_HR(S_OK, reader->QueryInterface(IID_INvxWSDLReader, reinterpret_cast<void**>(&view)));
    if (view) view->Release();
    EXPECT_HR(S_OK, reader->QueryInterface(IID_IWSDLReader, reinterpret_cast<void**>(&view)));
    if (view) view->Release();
    reader->Release();
}

TEST_F(CallerTest, OtherTransportsHandOutTheToolkitsWsdlReader)
{
    caller_->put_SoapTransportProtocol(static_cast<_SOAPTRANSPORT_>(7));
    IDispatch* reader = nullptr;
    ASSERT_HR(S_OK, caller_->get_WSDLReader(&reader));
    IUnknown* view = nullptr;
    EXPECT_HR(S_OK, reader->QueryInterface(IID_IWSDLReader, reinterpret_cast<void**>(&view)));
    if (view) view->Release();
    EXPECT_HR(E_NOINTERFACE, reader->QueryInterface(IID_INvxWSDLReader, reinterpret_cast<void**>(&view)))
        << "not the gateway reader";
    reader->Release();
}

// Whatever the transport, the handed-out reader is a real IDispatch of the
// object that answers the toolkit's reader interface: a script's member call
// is refused by name instead of landing on another slot.
TEST_F(CallerTest, WsdlReadersAreRealAutomationObjects)
{
    for (const auto transport : {SoapOverNXComm, SoapOverHTTP}) {
        SCOPED_TRACE(testing::Message() << "transport " << transport);
        caller_->put_SoapTransportProtocol(transport);
        IDispatch* reader = nullptr;
        ASSERT_HR(S_OK, caller_->get_WSDLReader(&reader));
        IDispatch* dispatch = nullptr;
        IUnknown* identity = nullptr;
        IWSDLReader* toolkitReader = nullptr;
        ASSERT_HR(S_OK, reader->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
        ASSERT_HR(S_OK, reader->QueryInterface(IID_IWSDLReader, reinterpret_cast<void**>(&toolkitReader)));
        ASSERT_HR(S_OK, toolkitReader->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
        EXPECT_EQ(reader, dispatch) << "handed out as its own IDispatch";
        IUnknown* readerIdentity = nullptr;
        reader->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&readerIdentity));
        EXPECT_EQ(identity, readerIdentity) << "one object";

        LPOLESTR names[] = {const_cast<LPOLESTR>(L"Load")};
        DISPID id = 0;
        EXPECT_HR(DISP_E_UNKNOWNNAME, reader->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(DISPID_UNKNOWN, id);
        for (IUnknown* held : {static_cast<IUnknown*>(dispatch), identity, readerIdentity,
                               static_cast<IUnknown*>(toolkitReader), static_cast<IUnknown*>(reader)})
            held->Release();
    }
}

TEST_F(CallerTest, DispatchIdsComeFromTheTypeLibrary)
{
    IDispatch* dispatch = nullptr;
    ASSERT_HR(S_OK, caller_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    EXPECT_EQ(6, IdOf(dispatch, L"Execute"));
    EXPECT_EQ(6, IdOf(dispatch, L"execute"));
    EXPECT_EQ(4, IdOf(dispatch, L"Timeout"));
    EXPECT_EQ(9, IdOf(dispatch, L"AnonymousCall"));
    UINT count = 0;
    EXPECT_HR(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    dispatch->Release();
}

TEST_F(CallerTest, ExecuteWithTwoArgumentsReachesTheObject)
{
    IDispatch* dispatch = nullptr;
    ASSERT_HR(S_OK, caller_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    VARIANT arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    V_VT(&arguments[1]) = VT_BSTR;
    V_BSTR(&arguments[1]) = SysAllocString(L"http://127.0.0.1:1/");
    V_VT(&arguments[0]) = VT_BSTR;
    V_BSTR(&arguments[0]) = SysAllocString(L"Add");
    DISPPARAMS params{arguments, nullptr, 2, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argumentError = 0;

    const HRESULT anonymous = dispatch->Invoke(9, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                                               &params, &result, &exception, &argumentError);
    EXPECT_HR(DISP_E_BADPARAMCOUNT, anonymous);

    const HRESULT execute = dispatch->Invoke(6, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                                             &params, &result, &exception, &argumentError);
    EXPECT_NE(DISP_E_BADPARAMCOUNT, execute);
    EXPECT_NE(DISP_E_PARAMNOTOPTIONAL, execute);
    EXPECT_NE(DISP_E_TYPEMISMATCH, execute);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&result);
    VariantClear(&arguments[0]);
    VariantClear(&arguments[1]);
    dispatch->Release();
}

TEST(WsdlReaderDispatch, PropertiesAreWriteOnly)
{
    ComApartment apartment;
    IDispatch* reader = nullptr;
    ASSERT_HR(S_OK, CoCreateInstance(CLSID_NvxWSDLReader, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(&reader)));
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Timeout")};
    DISPID id = DISPID_UNKNOWN;
    ASSERT_HR(S_OK, reader->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(2, id);

    VARIANT value;
    VariantInit(&value);
    V_VT(&value) = VT_I4;
    V_I4(&value) = 5000;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &named, 1, 1};
    EXPECT_HR(S_OK,
              reader->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr));
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_TRUE(FAILED(
        reader->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr)));
    reader->Release();
}

}  // namespace
