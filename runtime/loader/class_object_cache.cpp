#include "runtime/loader/class_object_cache.h"

#include <objbase.h>

#include <cstring>
#include <map>

#include "base/common/com_ptr.h"

namespace nvx::loader {
namespace {

struct ClsidLess {
    bool operator()(const CLSID& a, const CLSID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

// Holding a class object keeps its server loaded, which the process needs
// anyway while it makes objects of that class.
using ClassObjects = std::map<CLSID, ComPtr<IClassFactory>, ClsidLess>;

ClassObjects& ThreadClassObjects()
{
    thread_local ClassObjects classObjects;
    return classObjects;
}

}  // namespace

HRESULT CreateFromCachedClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    ClassObjects& cache = ThreadClassObjects();
    auto found = cache.find(clsid);
    if (found == cache.end()) {
        ComPtr<IClassFactory> factory;
        const HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                            reinterpret_cast<void**>(factory.GetAddressOf()));
        if (FAILED(hr)) return hr;
        found = cache.emplace(clsid, factory).first;
    }
    return found->second->CreateInstance(nullptr, iid, out);
}

}  // namespace nvx::loader
