// Class factories, aggregation and the module lock count, through the DLL's
// own exported entry points.
#include <gtest/gtest.h>

#include "NvxWebSvc.h"
#include "server_module.h"
#include "test_support.h"

namespace {

using nvx::test::ComApartment;
using nvx::test::ServerModule;

const CLSID kScriptOnlyClasses[] = {
    {0xA1052DA5, 0xC0A1, 0x466A, {0x97, 0x4A, 0x18, 0xA7, 0xB6, 0xBD, 0xAF, 0x3A}},  // NvxWSDLService
    {0x68634923, 0x0D77, 0x45C1, {0xA1, 0x0E, 0xBB, 0x42, 0x70, 0xBE, 0x05, 0xF5}},  // NvxWSDLPort
    {0x43CD6EDE, 0x7B57, 0x4C3F, {0xA3, 0x34, 0x7F, 0x5F, 0x0E, 0x26, 0x5E, 0xA6}},  // NvxWSDLOperation
    {0xF84032EB, 0xC091, 0x4E93, {0xA6, 0x26, 0x1F, 0xF1, 0xC0, 0x5B, 0xB1, 0xF6}},  // NvxSoapMapper
};

const CLSID* const kCreatableClasses[] = {&CLSID_ComWebSvc, &CLSID_NvxHTTPConnector, &CLSID_NvxWSDLReader,
                                          &CLSID_NvxUBlockStream};

class FactoryTest : public ::testing::Test {
protected:
    ComApartment apartment_;
    ServerModule module_;
};

// A minimal controlling unknown that forwards everything but IUnknown to its
// inner object and counts its own references.
class OuterObject : public IUnknown {
public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references; }
    IFACEMETHODIMP_(ULONG) Release() override { return --references; }

    ULONG references = 1;
    IUnknown* inner = nullptr;
};

TEST_F(FactoryTest, SameFactoryTwiceForEveryClass)
{
    ASSERT_TRUE(module_.Loaded());
    for (const CLSID* clsid : kCreatableClasses) {
        IClassFactory* first = nullptr;
        IClassFactory* second = nullptr;
        EXPECT_HR(S_OK, module_.GetClassObject(*clsid, IID_IClassFactory, reinterpret_cast<void**>(&first)));
        EXPECT_HR(S_OK, module_.GetClassObject(*clsid, IID_IClassFactory, reinterpret_cast<void**>(&second)));
        EXPECT_NE(nullptr, first);
        EXPECT_EQ(first, second);
        if (first) first->Release();
        if (second) second->Release();
    }
}

TEST_F(FactoryTest, ScriptOnlyAndUnknownClassesAreNotAvailable)
{
    const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::vector<CLSID> refused(std::begin(kScriptOnlyClasses), std::end(kScriptOnlyClasses));
    refused.push_back(unknown);
    for (const CLSID& clsid : refused) {
        void* out = reinterpret_cast<void*>(0xdeadbeef);
        EXPECT_HR(CLASS_E_CLASSNOTAVAILABLE, module_.GetClassObject(clsid, IID_IClassFactory, &out));
        EXPECT_EQ(nullptr, out);
    }
}

TEST_F(FactoryTest, NullOutPointersAreRefused)
{
    EXPECT_HR(E_POINTER, module_.GetClassObject(CLSID_ComWebSvc, IID_IClassFactory, nullptr));
    IClassFactory* factory = nullptr;
    ASSERT_HR(S_OK, module_.GetClassObject(CLSID_ComWebSvc, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_HR(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    factory->Release();
}

TEST_F(FactoryTest, AggregationNeedsIUnknown)
{
    IClassFactory* factory = nullptr;
    ASSERT_HR(S_OK, module_.GetClassObject(CLSID_ComWebSvc, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    OuterObject outer;
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_HR(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IComWebSvc, &out));
    EXPECT_EQ(nullptr, out);
    factory->Release();
}

TEST_F(FactoryTest, AggregatedObjectsDelegateToTheOuterObject)
{
    for (const CLSID* clsid : kCreatableClasses) {
        IClassFactory* factory = nullptr;
        ASSERT_HR(S_OK, module_.GetClassObject(*clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
        OuterObject outer;
        ASSERT_HR(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
        factory->Release();
        ASSERT_NE(nullptr, outer.inner);
        EXPECT_EQ(1u, outer.references) << "creating the inner object must not touch the outer count";

        // An interface of the inner object counts references on the outer one.
        IUnknown* primary = nullptr;
        const IID& someInterface = clsid == &CLSID_NvxUBlockStream ? IID_IStream : IID_IDispatch;
        ASSERT_HR(S_OK, outer.inner->QueryInterface(someInterface, reinterpret_cast<void**>(&primary)));
        EXPECT_EQ(2u, outer.references);
        IUnknown* identity = nullptr;
        ASSERT_HR(S_OK, primary->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
        EXPECT_EQ(static_cast<IUnknown*>(&outer), identity) << "IUnknown must be the outer object's";
        identity->Release();
        primary->Release();
        EXPECT_EQ(1u, outer.references);

        EXPECT_HR(S_FALSE, module_.CanUnloadNow());
        EXPECT_EQ(0u, outer.inner->Release()) << "the inner unknown owns the object";
        EXPECT_HR(S_OK, module_.CanUnloadNow());
    }
}

TEST_F(FactoryTest, CanUnloadNowFollowsObjectsFactoriesAndLocks)
{
    ASSERT_HR(S_OK, module_.CanUnloadNow());

    IUnknown* first = nullptr;
    IUnknown* second = nullptr;
    ASSERT_HR(S_OK, module_.Create(CLSID_ComWebSvc, IID_IUnknown, reinterpret_cast<void**>(&first)));
    ASSERT_HR(S_OK, module_.Create(CLSID_NvxUBlockStream, IID_IUnknown, reinterpret_cast<void**>(&second)));
    EXPECT_HR(S_FALSE, module_.CanUnloadNow());
    first->Release();
    EXPECT_HR(S_FALSE, module_.CanUnloadNow());
    second->Release();
    EXPECT_HR(S_OK, module_.CanUnloadNow()) << "cached factories alone must not keep the module";

    IClassFactory* factory = nullptr;
    ASSERT_HR(S_OK,
              module_.GetClassObject(CLSID_NvxHTTPConnector, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_HR(S_FALSE, module_.CanUnloadNow());
    EXPECT_HR(S_OK, factory->LockServer(TRUE));
    factory->Release();
    EXPECT_HR(S_FALSE, module_.CanUnloadNow());
    ASSERT_HR(S_OK,
              module_.GetClassObject(CLSID_NvxHTTPConnector, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    EXPECT_HR(S_OK, factory->LockServer(FALSE));
    factory->Release();
    EXPECT_HR(S_OK, module_.CanUnloadNow());
}

TEST_F(FactoryTest, FailedInterfaceRequestDestroysTheNewObject)
{
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_HR(E_NOINTERFACE, module_.Create(CLSID_ComWebSvc, IID_IStream, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_HR(S_OK, module_.CanUnloadNow());
}

}  // namespace
