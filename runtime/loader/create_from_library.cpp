// CreateFromLibrary: an object of a class from a named library's own class
// objects, or through system activation when the library is absent or does not
// serve the class.
#include <objbase.h>

#include "base/common/com_boundary.h"
#include "base/common/com_ptr.h"
#include "nx_loader.h"
#include "runtime/loader/class_object_cache.h"
#include "runtime/loader/denied_classes.h"
#include "runtime/loader/library_lifetime.h"

namespace nvx::loader {
namespace {

using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

GetClassObjectFunction ClassObjectEntry(HMODULE module)
{
    return reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
}

// CLASS_E_CLASSNOTAVAILABLE when the library does not serve the class.
HRESULT CreateFromClassObject(GetClassObjectFunction getClassObject, REFCLSID clsid, REFIID iid, void** out)
{
    ComPtr<IClassFactory> factory;
    const HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    if (FAILED(hr)) return hr;
    if (!factory) return E_UNEXPECTED;
    return factory->CreateInstance(nullptr, iid, out);
}

// CLASS_E_CLASSNOTAVAILABLE when the library cannot be loaded or is no COM
// server, or does not serve the class.
HRESULT CreateFromNamedLibrary(const char* name, REFCLSID clsid, REFIID iid, void** out)
{
    const LibraryUse use = AcquireLibrary(name);
    if (!use.module) return CLASS_E_CLASSNOTAVAILABLE;
    const GetClassObjectFunction getClassObject = ClassObjectEntry(use.module);
    const HRESULT hr =
        getClassObject ? CreateFromClassObject(getClassObject, clsid, iid, out) : CLASS_E_CLASSNOTAVAILABLE;
    if (SUCCEEDED(hr)) {
        KeepLibrary(use);
    } else {
        *out = nullptr;
        ReleaseUnusedLibrary(use);
    }
    return hr;
}

HRESULT Create(const char* library, REFCLSID clsid, REFIID iid, void** out)
{
    if (IsClassDenied(clsid)) return REGDB_E_CLASSNOTREG;
    if (library && *library) {
        const HRESULT hr = CreateFromNamedLibrary(library, clsid, iid, out);
        if (hr != CLASS_E_CLASSNOTAVAILABLE) return hr;
    }
    if (SUCCEEDED(CreateFromCachedClassObject(clsid, iid, out))) return S_OK;
    return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, out);
}

}  // namespace
}  // namespace nvx::loader

extern "C" HRESULT WINAPI CreateFromLibrary(const char* library, REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const HRESULT hr = nvx::ComBoundary([&] { return nvx::loader::Create(library, clsid, iid, out); });
    if (FAILED(hr)) *out = nullptr;
    return hr;
}
