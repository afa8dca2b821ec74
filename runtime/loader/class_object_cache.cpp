#include "runtime/loader/class_object_cache.h"

#include <objbase.h>

#include <cstring>
#include <map>

#include "base/common/apartment_local.h"
#include "base/common/com_ptr.h"

namespace nvx::loader {
namespace {

struct ClsidLess {
    bool operator()(const CLSID& a, const CLSID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

// Holding a class object keeps its server loaded, which the process needs
// anyway while it makes objects of that class.
struct ClassObjects {
    // A thread's cache is dropped through code of this library, which must
    // therefore stay loaded while any thread keeps one.
    ClassObjects()
    {
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&CreateFromCachedClassObject), &self);
    }

    std::map<CLSID, ComPtr<IClassFactory>, ClsidLess> byClass;
};

ApartmentLocal<ClassObjects> g_threadClassObjects;

HRESULT ClassObject(REFCLSID clsid, ComPtr<IClassFactory>* factory)
{
    return CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                            reinterpret_cast<void**>(factory->GetAddressOf()));
}

}  // namespace

HRESULT CreateFromCachedClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    ClassObjects* cache = g_threadClassObjects.Get();
    ComPtr<IClassFactory> factory;
    if (cache) {
        const auto found = cache->byClass.find(clsid);
        if (found != cache->byClass.end()) factory = found->second;
    }
    if (!factory) {
        const HRESULT hr = ClassObject(clsid, &factory);
        if (FAILED(hr)) return hr;
        if (cache) cache->byClass.emplace(clsid, factory);
    }
    return factory->CreateInstance(nullptr, iid, out);
}

}  // namespace nvx::loader
