// The loader keeps a library loaded while its objects may live, and gives
// back a library that served nothing.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include "nx_loader.h"
#include "probe_class.h"
#include "test_support.h"

namespace {

using nvx::test::kLoaderProbeClass;

constexpr int kCalls = 25;
// More than anybody could have taken.
constexpr int kMaxReferences = 64;

// Each test has a copy of the probe of its own, so that it starts with the
// library unloaded whatever the other tests did.
class LibraryLifetimeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Probe(), nullptr) << library_ << " is already loaded"; }

    HMODULE Probe() const { return GetModuleHandleA(library_); }

    // Gives back every counted reference to the library, as careless users
    // might; whether it is still loaded after.
    bool LoadedAfterFreeingAll() const
    {
        for (int freed = 0; freed < kMaxReferences && Probe(); ++freed) FreeLibrary(Probe());
        return Probe() != nullptr;
    }

    HRESULT CreateProbe(REFCLSID clsid, REFIID iid, void** object) const
    {
        return CreateFromLibrary(library_, clsid, iid, object);
    }

    nvx::test::ComApartment apartment_;
    const char* library_ = nullptr;
};

class ServingLibrary : public LibraryLifetimeTest {
protected:
    ServingLibrary() { library_ = "loader_probe_serving.dll"; }
};

TEST_F(ServingLibrary, StaysLoadedOnceItServedAnObject)
{
    for (int call = 0; call < kCalls; ++call) {
        IPersist* probe = nullptr;
        ASSERT_HR(S_OK, CreateProbe(kLoaderProbeClass, IID_IPersist, reinterpret_cast<void**>(&probe)));
        probe->Release();
    }
    EXPECT_TRUE(LoadedAfterFreeingAll());
}

class SharedLibrary : public LibraryLifetimeTest {
protected:
    SharedLibrary() { library_ = "loader_probe_shared.dll"; }
};

TEST_F(SharedLibrary, KeepsALibraryLoadedBySomebodyElseWhileItsObjectLives)
{
    const HMODULE other = LoadLibraryA(library_);
    ASSERT_NE(other, nullptr);
    IPersist* probe = nullptr;
    ASSERT_HR(S_OK, CreateProbe(kLoaderProbeClass, IID_IPersist, reinterpret_cast<void**>(&probe)));
    // The other user's reference goes; the object's code must stay.
    FreeLibrary(other);
    ASSERT_NE(Probe(), nullptr);
    CLSID reported{};
    EXPECT_HR(S_OK, probe->GetClassID(&reported));
    probe->Release();
}

class UnusedLibrary : public LibraryLifetimeTest {
protected:
    UnusedLibrary() { library_ = "loader_probe_unused.dll"; }
};

TEST_F(UnusedLibrary, GivesBackALibraryThatServedNothing)
{
    const struct {
        const char* what;
        CLSID clsid;
        IID iid;
    } cases[] = {
        {"class not served",
         {0x0e8f1b5a, 0x77c2, 0x4d1e, {0xa0, 0xb3, 0x9f, 0x6c, 0x2d, 0x4e, 0x8a, 0x10}},
         IID_IUnknown},
        {"interface not supported", kLoaderProbeClass, IID_IStream},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        void* object = nullptr;
        EXPECT_TRUE(FAILED(CreateProbe(c.clsid, c.iid, &object)));
        EXPECT_EQ(Probe(), nullptr);
    }
}

class ExitingProcess : public LibraryLifetimeTest {
protected:
    ExitingProcess() { library_ = "loader_probe_exit.dll"; }
};

// When the process ends (detach with `reserved` set) a module leaves what it
// holds alone: the servers of its cached objects may be gone already, and
// the system takes everything back anyway. The probe is unloaded unused after.
TEST_F(ExitingProcess, DetachAtProcessExitLeavesTheCachedFactoryAlone)
{
    const HMODULE module = LoadLibraryA(library_);
    ASSERT_NE(module, nullptr);
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    ASSERT_NE(getClassObject, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_HR(S_OK, getClassObject(kLoaderProbeClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)));

    // The module's entry point, called as the system calls it at process exit.
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto entry = reinterpret_cast<BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID)>(
        const_cast<BYTE*>(base) + headers->OptionalHeader.AddressOfEntryPoint);
    entry(module, DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1));
    EXPECT_EQ(3u, factory->AddRef()) << "the module's own reference to its factory must stay";
    FreeLibrary(module);
}

}  // namespace
