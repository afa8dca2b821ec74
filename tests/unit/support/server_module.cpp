#include "server_module.h"

#include "test_support.h"

namespace nvx::test {

ServerModule::ServerModule(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {}
ServerModule::ServerModule() : ServerModule(ProgramDirectory() + L"NvxWebSvc.dll") {}

ServerModule::~ServerModule()
{
    if (module_) FreeLibrary(module_);
}

FARPROC ServerModule::Export(const char* name) const { return module_ ? GetProcAddress(module_, name) : nullptr; }

HRESULT ServerModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const
{
    auto entry = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(Export("DllGetClassObject")));
    return entry ? entry(clsid, iid, out) : E_UNEXPECTED;
}

static HRESULT CallNoArgument(const ServerModule& module, const char* name)
{
    auto entry = reinterpret_cast<ServerModule::NoArgumentFn>(reinterpret_cast<void*>(module.Export(name)));
    return entry ? entry() : E_UNEXPECTED;
}

HRESULT ServerModule::CanUnloadNow() const { return CallNoArgument(*this, "DllCanUnloadNow"); }
HRESULT ServerModule::RegisterServer() const { return CallNoArgument(*this, "DllRegisterServer"); }
HRESULT ServerModule::UnregisterServer() const { return CallNoArgument(*this, "DllUnregisterServer"); }

HRESULT ServerModule::Create(REFCLSID clsid, REFIID iid, void** out) const
{
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, iid, out);
    factory->Release();
    return hr;
}

}  // namespace nvx::test
