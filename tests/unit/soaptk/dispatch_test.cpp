// The three classes dispatch through the toolkit's type library, as script
// clients use them.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/variant.h"
#include "mssoap.h"
#include "soaptk_objects.h"
#include "test_support.h"

namespace {

using nvx::Bstr;
using nvx::ComPtr;

class DispatchTest : public ::testing::Test {
protected:
    nvx::test::ComApartment apartment_;
};

TEST_F(DispatchTest, ResolvesMemberNamesInAnyCase)
{
    const struct {
        const CLSID* clsid;
        const wchar_t* name;
        DISPID expected;
    } cases[] = {
        {&CLSID_SoapReader, L"Load", 1},
        {&CLSID_SoapReader, L"load", 1},
        {&CLSID_SoapReader, L"RPCResult", 16},
        {&CLSID_SoapSerializer, L"startElement", 10},
        {&CLSID_SoapSerializer, L"WRITESTRING", 15},
        {&CLSID_HttpConnector, L"EndMessage", 7},
        {&CLSID_HttpConnector, L"Property", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
        ComPtr<IDispatch> object = nvx::test::CreateInProcess<IDispatch>(*c.clsid);
        ASSERT_TRUE(object);
        LPOLESTR name = const_cast<LPOLESTR>(c.name);
        DISPID id = DISPID_UNKNOWN;
        EXPECT_HR(S_OK, object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(id, c.expected);
    }
}

TEST_F(DispatchTest, InvokesAParameterisedPropertyAndAMethod)
{
    ComPtr<IDispatch> connector = nvx::test::CreateInProcess<IDispatch>(CLSID_HttpConnector);
    ASSERT_TRUE(connector);
    // Property("EndPointURL") = "http://127.0.0.1/x", as a script writes it.
    VARIANT arguments[2];
    arguments[0].vt = VT_BSTR;
    arguments[0].bstrVal = SysAllocString(L"http://127.0.0.1/x");
    arguments[1].vt = VT_BSTR;
    arguments[1].bstrVal = SysAllocString(L"EndPointURL");
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{arguments, &putId, 2, 1};
    EXPECT_HR(S_OK, connector->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr,
                                      nullptr));
    DISPPARAMS get{&arguments[1], nullptr, 1, 0};
    nvx::Variant value;
    EXPECT_HR(S_OK, connector->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &get, value.Get(),
                                      nullptr, nullptr));
    ASSERT_EQ(value->vt, VT_BSTR);
    EXPECT_STREQ(value->bstrVal, L"http://127.0.0.1/x");
    VariantClear(&arguments[0]);
    VariantClear(&arguments[1]);

    ComPtr<IDispatch> reader = nvx::test::CreateInProcess<IDispatch>(CLSID_SoapReader);
    ASSERT_TRUE(reader);
    nvx::Variant xml;
    xml->vt = VT_BSTR;
    xml->bstrVal =
        SysAllocString(L"<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body/></e:Envelope>");
    DISPPARAMS load{xml.Get(), nullptr, 1, 0};
    nvx::Variant ok;
    EXPECT_HR(S_OK,
              reader->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &load, ok.Get(), nullptr, nullptr));
    EXPECT_EQ(ok->vt, VT_BOOL);
    EXPECT_EQ(ok->boolVal, VARIANT_TRUE);
}

}  // namespace
