// The flat functions, by name and by ordinal, as a non-automation caller uses them.
#include <gtest/gtest.h>

#include <string>

#include "NvxWebSvc.h"
#include "server_module.h"
#include "test_support.h"
#include "variants.h"

namespace {

using nvx::test::ComApartment;
using nvx::test::OwnedVariant;
using nvx::test::ServerModule;

using InitFn = IComWebSvc*(WINAPI*)(const char*, long);
using ExecuteFn = IDispatch*(WINAPI*)(IComWebSvc*, const char*, const char*, VARIANT, VARIANT);
using DeleteFn = ULONG(WINAPI*)(IUnknown*);

template <class Fn>
Fn Entry(const ServerModule& module, const char* nameOrOrdinal)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module.Handle(), nameOrOrdinal)));
}

class FlatEntryPointsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_ = Entry<InitFn>(module_, "InitNVXWebSvc");
        execute_ = Entry<ExecuteFn>(module_, "ExecuteMethod");
        delete_ = Entry<DeleteFn>(module_, "DeleteNVXWebSvc");
        ASSERT_TRUE(init_ && execute_ && delete_);
    }

    ComApartment apartment_;
    ServerModule module_;
    InitFn init_ = nullptr;
    ExecuteFn execute_ = nullptr;
    DeleteFn delete_ = nullptr;
};

TEST_F(FlatEntryPointsTest, OrdinalsFiveToSevenAreTheFlatFunctions)
{
    EXPECT_EQ(reinterpret_cast<void*>(init_), reinterpret_cast<void*>(Entry<InitFn>(module_, MAKEINTRESOURCEA(5))));
    EXPECT_EQ(reinterpret_cast<void*>(execute_),
              reinterpret_cast<void*>(Entry<ExecuteFn>(module_, MAKEINTRESOURCEA(6))));
    EXPECT_EQ(reinterpret_cast<void*>(delete_), reinterpret_cast<void*>(Entry<DeleteFn>(module_, MAKEINTRESOURCEA(7))));
}

TEST_F(FlatEntryPointsTest, InitSetsStandardHttpAndTheGivenValues)
{
    IComWebSvc* caller = init_("urn:flat", 5000);
    ASSERT_NE(nullptr, caller);
    _SOAPTRANSPORT_ transport;
    _HTTPCOMPRESSION_ compression;
    long timeout = 0;
    BSTR nameSpace = nullptr;
    caller->get_SoapTransportProtocol(&transport);
    caller->get_Compression(&compression);
    caller->get_Timeout(&timeout);
    caller->get_NameSpace(&nameSpace);
    EXPECT_EQ(SoapOverHTTP, transport);
    EXPECT_EQ(None, compression);
    EXPECT_EQ(5000, timeout);
    EXPECT_STREQ(L"urn:flat", nameSpace);
    SysFreeString(nameSpace);
    EXPECT_EQ(0u, delete_(caller));
}

TEST_F(FlatEntryPointsTest, InitWithANullNamespaceAndNoTimeout)
{
    IComWebSvc* caller = init_(nullptr, -1);
    ASSERT_NE(nullptr, caller);
    BSTR nameSpace = SysAllocString(L"sentinel");
    BSTR sentinel = nameSpace;
    long timeout = 0;
    caller->get_NameSpace(&nameSpace);
    caller->get_Timeout(&timeout);
    EXPECT_EQ(nullptr, nameSpace);
    EXPECT_EQ(-1, timeout);
    SysFreeString(sentinel);
    EXPECT_EQ(0u, delete_(caller));
}

TEST_F(FlatEntryPointsTest, ExecuteMethodReturnsTheDocumentAndKeepsTheHandleCount)
{
    const std::wstring url = nvx::test::ServiceUrl("sample");
    ASSERT_FALSE(url.empty());
    IComWebSvc* caller = init_("http://www.norvexa.com/webservices/", 10000);
    ASSERT_NE(nullptr, caller);
    auto names = OwnedVariant::StringArray({L"a", L"b"});
    auto values = OwnedVariant::VariantArray({OwnedVariant::I4(2), OwnedVariant::I4(3)});
    const std::string endPoint(url.begin(), url.end());
    IDispatch* document = execute_(caller, endPoint.c_str(), "Add", *names.Get(), *values.Get());
    ASSERT_NE(nullptr, document);
    IXMLDOMNode* node = nullptr;
    ASSERT_HR(S_OK, document->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(&node)));
    BSTR xml = nullptr;
    node->get_xml(&xml);
    EXPECT_NE(nullptr, wcsstr(xml, L"AddResult>5</"));
    SysFreeString(xml);
    node->Release();
    EXPECT_EQ(0u, delete_(document)) << "the returned document is released";

    EXPECT_EQ(2u, caller->AddRef());
    EXPECT_EQ(1u, caller->Release()) << "the handle's count is unchanged after a call";

    IDispatch* failed = execute_(caller, "http://127.0.0.1:9/", "Add", *names.Get(), *values.Get());
    EXPECT_EQ(nullptr, failed);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_STREQ(L"HTTP/Timeout/Network problem: connection refused by 127.0.0.1:9 (or it is unreachable)",
                 description);
    SysFreeString(description);
    info->Release();
    EXPECT_EQ(0u, delete_(caller)) << "a failed call leaves the handle usable";
}

TEST_F(FlatEntryPointsTest, ExecuteMethodRefusesAHeadBreakingMethodName)
{
    IComWebSvc* caller = init_("urn:flat/", 10000);
    ASSERT_NE(nullptr, caller);
    auto missing = OwnedVariant::Missing();
    EXPECT_EQ(nullptr,
              execute_(caller, "http://127.0.0.1:9/", "Add\r\nX-Injected: yes", *missing.Get(), *missing.Get()));
    EXPECT_EQ(L"Invalid WebMethod: a line break or NUL character cannot be sent in the SOAPAction header",
              nvx::test::ErrorDescription());
    EXPECT_EQ(0u, delete_(caller));
}

TEST_F(FlatEntryPointsTest, NullHandles)
{
    auto missing = OwnedVariant::Missing();
    EXPECT_EQ(nullptr, execute_(nullptr, "http://127.0.0.1:9/", "Add", *missing.Get(), *missing.Get()));
    EXPECT_EQ(0u, delete_(nullptr));
}

}  // namespace
