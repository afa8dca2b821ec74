#pragma once
// NvxWebSvc.dll loaded from the test program's directory, with its entry
// points, for tests that exercise the module itself rather than the registry.
#include <windows.h>
#include <ole2.h>

#include <string>

namespace nvx::test {

class ServerModule {
public:
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using NoArgumentFn = HRESULT(WINAPI*)();

    explicit ServerModule(const std::wstring& path);
    ServerModule();  // NvxWebSvc.dll beside the test program
    ~ServerModule();
    ServerModule(const ServerModule&) = delete;
    ServerModule& operator=(const ServerModule&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Handle() const { return module_; }
    FARPROC Export(const char* name) const;

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
    HRESULT CanUnloadNow() const;
    HRESULT RegisterServer() const;
    HRESULT UnregisterServer() const;

    // A new object of `clsid` made by the module's own factory.
    HRESULT Create(REFCLSID clsid, REFIID iid, void** out) const;

private:
    HMODULE module_;
};

}  // namespace nvx::test
