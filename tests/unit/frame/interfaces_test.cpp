// The interfaces each class answers, and the QueryInterface contract.
#include <gtest/gtest.h>

#include <vector>

#include "NvxWebSvc.h"
#include "mssoap.h"
#include "server_module.h"
#include "test_support.h"

namespace {

using nvx::test::ComApartment;
using nvx::test::ServerModule;

struct ClassInterfaces {
    const char* name;
    const CLSID* clsid;
    std::vector<const IID*> answered;
    std::vector<const IID*> refused;
};

const std::vector<ClassInterfaces>& Table()
{
    static const std::vector<ClassInterfaces> table = {
        {"ComWebSvc",
         &CLSID_ComWebSvc,
         {&IID_IUnknown, &IID_IComWebSvc, &IID_IDispatch, &IID_INvxTracer, &IID_ISupportErrorInfo},
         {&IID_IStream, &IID_INvxHTTPConnector, &IID_IWSDLReader}},
        {"NvxHTTPConnector",
         &CLSID_NvxHTTPConnector,
         {&IID_IUnknown, &IID_INvxHTTPConnector, &IID_IDispatch, &IID_ISoapConnector},
         {&IID_ISupportErrorInfo, &IID_IStream, &IID_IComWebSvc}},
        {"NvxWSDLReader",
         &CLSID_NvxWSDLReader,
         {&IID_IUnknown, &IID_INvxWSDLReader, &IID_IDispatch, &IID_IWSDLReader, &IID_IEnumWSDLService},
         {&IID_ISupportErrorInfo, &IID_ISoapConnector}},
        {"NvxUBlockStream",
         &CLSID_NvxUBlockStream,
         {&IID_IUnknown, &IID_INvxUBlockStream, &IID_ISequentialStream, &IID_IStream},
         {&IID_IDispatch, &IID_ISupportErrorInfo, &IID_IComWebSvc}},
    };
    return table;
}

class InterfacesTest : public ::testing::TestWithParam<ClassInterfaces> {
protected:
    ComApartment apartment_;
    ServerModule module_;
};

TEST_P(InterfacesTest, AnswersItsTableAndRefusesTheRest)
{
    const auto& expected = GetParam();
    IUnknown* object = nullptr;
    ASSERT_HR(S_OK, module_.Create(*expected.clsid, IID_IUnknown, reinterpret_cast<void**>(&object)));

    for (const IID* iid : expected.answered) {
        IUnknown* view = nullptr;
        EXPECT_HR(S_OK, object->QueryInterface(*iid, reinterpret_cast<void**>(&view)));
        if (!view) continue;
        IUnknown* identity = nullptr;
        view->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
        EXPECT_EQ(object, identity) << "every view has the same identity";
        identity->Release();
        view->Release();
    }
    for (const IID* iid : expected.refused) {
        void* view = reinterpret_cast<void*>(0xdeadbeef);
        EXPECT_HR(E_NOINTERFACE, object->QueryInterface(*iid, &view));
        EXPECT_EQ(nullptr, view) << "a refused request clears the output";
    }
    EXPECT_HR(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(0u, object->Release());
}

TEST_P(InterfacesTest, ReferenceCountIsSharedByAllViews)
{
    IUnknown* object = nullptr;
    ASSERT_HR(S_OK, module_.Create(*GetParam().clsid, IID_IUnknown, reinterpret_cast<void**>(&object)));
    IUnknown* second = nullptr;
    ASSERT_HR(S_OK, object->QueryInterface(*GetParam().answered.back(), reinterpret_cast<void**>(&second)));
    EXPECT_EQ(3u, second->AddRef());
    EXPECT_EQ(2u, object->Release());
    EXPECT_EQ(1u, second->Release());
    EXPECT_EQ(0u, second->Release());
}

INSTANTIATE_TEST_SUITE_P(AllClasses, InterfacesTest, ::testing::ValuesIn(Table()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CallerErrorInfo, SupportsErrorInfoOnlyForIComWebSvc)
{
    ComApartment apartment;
    ServerModule module;
    ISupportErrorInfo* info = nullptr;
    ASSERT_HR(S_OK, module.Create(CLSID_ComWebSvc, IID_ISupportErrorInfo, reinterpret_cast<void**>(&info)));
    EXPECT_HR(S_OK, info->InterfaceSupportsErrorInfo(IID_IComWebSvc));
    EXPECT_HR(S_FALSE, info->InterfaceSupportsErrorInfo(IID_INvxTracer));
    EXPECT_HR(S_FALSE, info->InterfaceSupportsErrorInfo(IID_IDispatch));
    info->Release();
}

}  // namespace
