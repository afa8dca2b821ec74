// Which class object CreateFromLibrary uses, and what a failure leaves behind.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "NvxWebSvc.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "nx_loader.h"
#include "probe_class.h"
#include "test_support.h"

namespace {

using nvx::ComPtr;
using nvx::test::kLoaderProbeClass;
using nvx::test::kLoaderProbeLibrary;

constexpr CLSID kDomDocument30 = {0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
// {0E8F1B5A-77C2-4D1E-A0B3-9F6C2D4E8A10}: registered nowhere, served by nothing.
constexpr CLSID kUnknownClass = {0x0e8f1b5a, 0x77c2, 0x4d1e, {0xa0, 0xb3, 0x9f, 0x6c, 0x2d, 0x4e, 0x8a, 0x10}};

std::wstring BracedText(REFCLSID clsid)
{
    wchar_t text[40];
    StringFromGUID2(clsid, text, 40);
    return text;
}

class CreateFromLibraryTest : public ::testing::Test {
protected:
    void TearDown() override { nvx::test::DenyLoaderClasses({}); }

    nvx::test::ComApartment apartment_;
};

TEST_F(CreateFromLibraryTest, IsExportedAtOrdinalTwoAndByName)
{
    const HMODULE loader = GetModuleHandleW(L"NXLoader.dll");
    ASSERT_NE(loader, nullptr);
    const FARPROC byOrdinal = GetProcAddress(loader, MAKEINTRESOURCEA(2));
    EXPECT_NE(byOrdinal, nullptr);
    EXPECT_EQ(byOrdinal, GetProcAddress(loader, "CreateFromLibrary"));
}

TEST_F(CreateFromLibraryTest, UsesTheNamedLibrarysOwnClassObject)
{
    ComPtr<IPersist> viaSystem;
    ASSERT_EQ(CoCreateInstance(kLoaderProbeClass, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&viaSystem)), REGDB_E_CLASSNOTREG)
        << "the probe class must be unknown to system activation";

    ComPtr<IPersist> probe;
    ASSERT_HR(S_OK, CreateFromLibrary(kLoaderProbeLibrary, kLoaderProbeClass, IID_IPersist,
                                      reinterpret_cast<void**>(probe.GetAddressOf())));
    CLSID reported{};
    ASSERT_HR(S_OK, probe->GetClassID(&reported));
    EXPECT_TRUE(IsEqualCLSID(reported, kLoaderProbeClass));
}

struct FallbackCase {
    const char* what;
    const char* library;
    const CLSID* clsid;
    const IID* iid;
};

// The library is absent, serves other classes only, or is not named; the
// library's own connector is asked for under the toolkit's library name.
const FallbackCase kFallbackCases[] = {
    {"library absent", "no_such_library.dll", &kDomDocument30, &IID_IDispatch},
    {"class not served by the library", kLoaderProbeLibrary, &kDomDocument30, &IID_IDispatch},
    {"no library named", nullptr, &kDomDocument30, &IID_IDispatch},
    {"own connector under the toolkit's name", "mssoap1.dll", &CLSID_NvxHTTPConnector, &IID_ISoapConnector},
    {"toolkit class from the toolkit", "mssoap1.dll", &CLSID_SoapSerializer, &IID_ISoapSerializer},
};

TEST_F(CreateFromLibraryTest, FallsBackToSystemActivation)
{
    for (const FallbackCase& c : kFallbackCases) {
        SCOPED_TRACE(c.what);
        IUnknown* object = nullptr;
        EXPECT_HR(S_OK, CreateFromLibrary(c.library, *c.clsid, *c.iid, reinterpret_cast<void**>(&object)));
        ASSERT_NE(object, nullptr);
        object->Release();
    }
}

struct FailureCase {
    const char* what;
    const char* library;
    const CLSID* clsid;
    const IID* iid;
    HRESULT expected;
};

const FailureCase kFailureCases[] = {
    {"unknown class, library absent", "no_such_library.dll", &kUnknownClass, &IID_IUnknown, REGDB_E_CLASSNOTREG},
    {"unknown class, library present", kLoaderProbeLibrary, &kUnknownClass, &IID_IUnknown, REGDB_E_CLASSNOTREG},
    {"interface not supported", kLoaderProbeLibrary, &kLoaderProbeClass, &IID_IStream, E_NOINTERFACE},
    {"interface not supported after fallback", nullptr, &kDomDocument30, &IID_IStream, E_NOINTERFACE},
};

TEST_F(CreateFromLibraryTest, FailuresLeaveANullOutPointer)
{
    for (const FailureCase& c : kFailureCases) {
        SCOPED_TRACE(c.what);
        void* object = reinterpret_cast<void*>(0xdeadbeef);
        EXPECT_HR(c.expected, CreateFromLibrary(c.library, *c.clsid, *c.iid, &object));
        EXPECT_EQ(object, nullptr);
    }
    EXPECT_HR(E_POINTER, CreateFromLibrary(kLoaderProbeLibrary, kLoaderProbeClass, IID_IUnknown, nullptr));
}

TEST_F(CreateFromLibraryTest, RefusesDeniedClassesWhicheverWayTheyWouldBeMade)
{
    ASSERT_HR(S_OK, nvx::test::DenyLoaderClasses({kLoaderProbeClass, kUnknownClass, kDomDocument30}));
    const struct {
        const char* library;
        const CLSID* clsid;
    } denied[] = {{kLoaderProbeLibrary, &kLoaderProbeClass}, {nullptr, &kDomDocument30}};
    for (const auto& c : denied) {
        void* object = reinterpret_cast<void*>(0xdeadbeef);
        EXPECT_HR(REGDB_E_CLASSNOTREG, CreateFromLibrary(c.library, *c.clsid, IID_IUnknown, &object));
        EXPECT_EQ(object, nullptr);
    }

    ASSERT_HR(S_OK, nvx::test::DenyLoaderClasses({kUnknownClass}));
    ComPtr<IUnknown> object;
    EXPECT_HR(S_OK, CreateFromLibrary(kLoaderProbeLibrary, kLoaderProbeClass, IID_IUnknown,
                                      reinterpret_cast<void**>(object.GetAddressOf())));
}

// What the loader makes is not for the environment of a process to change.
TEST_F(CreateFromLibraryTest, TheEnvironmentDeniesNothing)
{
    ASSERT_TRUE(SetEnvironmentVariableW(L"NXLOADER_DENY", BracedText(kLoaderProbeClass).c_str()));
    ComPtr<IUnknown> object;
    EXPECT_HR(S_OK, CreateFromLibrary(kLoaderProbeLibrary, kLoaderProbeClass, IID_IUnknown,
                                      reinterpret_cast<void**>(object.GetAddressOf())));
    SetEnvironmentVariableW(L"NXLOADER_DENY", nullptr);
}

// A library of that name in the current directory is not the one asked for:
// a bare name is looked for beside the loader and in the system folder only.
TEST_F(CreateFromLibraryTest, ABareNameIsNotLookedForInTheCurrentDirectory)
{
    wchar_t temporary[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temporary));
    const std::wstring folder = std::wstring(temporary) + L"nvx_loader_cwd";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring planted = folder + L"\\loader_probe_planted.dll";
    ASSERT_TRUE(CopyFileW((nvx::test::ProgramDirectory() + L"loader_probe.dll").c_str(), planted.c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));

    void* object = reinterpret_cast<void*>(0xdeadbeef);
    const HRESULT hr = CreateFromLibrary("loader_probe_planted.dll", kLoaderProbeClass, IID_IUnknown, &object);
    const bool loaded = GetModuleHandleW(L"loader_probe_planted.dll") != nullptr;
    SetCurrentDirectoryW(previous);
    if (object && object != reinterpret_cast<void*>(0xdeadbeef)) static_cast<IUnknown*>(object)->Release();
    EXPECT_HR(REGDB_E_CLASSNOTREG, hr);
    EXPECT_FALSE(loaded);
    DeleteFileW(planted.c_str());
}

// A class object that counts its references and makes nothing.
class CountedFactory final : public IClassFactory {
public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references; }
    IFACEMETHODIMP_(ULONG) Release() override { return --references; }
    IFACEMETHODIMP CreateInstance(IUnknown*, REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP LockServer(BOOL) override { return S_OK; }

    ULONG references = 1;
};

// The class object the loader keeps for a thread lives as long as COM on
// that thread, not as long as the thread: it belongs to the apartment.
TEST_F(CreateFromLibraryTest, AThreadsClassObjectsGoWithItsLastCoUninitialize)
{
    CountedFactory factory;
    std::thread([&] {
        ASSERT_HR(S_OK, CoInitialize(nullptr));
        ASSERT_HR(S_FALSE, CoInitialize(nullptr));
        DWORD cookie = 0;
        ASSERT_HR(S_OK,
                  CoRegisterClassObject(kUnknownClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));
        void* object = nullptr;
        CreateFromLibrary(nullptr, kUnknownClass, IID_IUnknown, &object);
        CoRevokeClassObject(cookie);
        EXPECT_EQ(2u, factory.references) << "the thread keeps the class object";
        CoUninitialize();
        EXPECT_EQ(2u, factory.references) << "while COM stays initialised";
        CoUninitialize();
        EXPECT_EQ(1u, factory.references) << "and lets it go with the apartment";
    }).join();
}

}  // namespace
