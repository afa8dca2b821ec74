#include "base/comframe/class_factory.h"

#include <mutex>
#include <new>

#include "base/comframe/module.h"

namespace nvx::com {
namespace {

// The object map holds a factory's first reference; only references held by
// clients count toward the module lock count.
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    IFACEMETHODIMP_(ULONG) AddRef() override
    {
        std::lock_guard<std::mutex> guard(lock_);
        const LONG count = InterlockedIncrement(&references_);
        if (count == 2) Module::Lock();
        return count;
    }

    IFACEMETHODIMP_(ULONG) Release() override
    {
        LONG count;
        {
            std::lock_guard<std::mutex> guard(lock_);
            count = InterlockedDecrement(&references_);
            if (count == 1) Module::Unlock();
        }
        if (count == 0) delete this;
        return count;
    }

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
        return entry_.createInstance(outer, iid, out);
    }

    IFACEMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            Module::Lock();
        else
            Module::Unlock();
        return S_OK;
    }

private:
    const ClassEntry& entry_;
    LONG references_ = 0;
    std::mutex lock_;
};

ClassEntry* FindEntry(REFCLSID clsid)
{
    for (auto& entry : ThisServer().classes)
        if (IsEqualCLSID(clsid, *entry.clsid) && entry.createInstance) return &entry;
    return nullptr;
}

// The entry's factory, made by the first caller; a thread that finds it made
// sees it whole (release and acquire order the factory's construction first).
HRESULT CachedFactory(ClassEntry& entry, IUnknown** factory)
{
    *factory = entry.cachedFactory.load(std::memory_order_acquire);
    if (*factory) return S_OK;
    std::lock_guard<std::mutex> guard(Module::ClassFactoryLock());
    *factory = entry.cachedFactory.load(std::memory_order_relaxed);
    if (*factory) return S_OK;
    auto* made = new (std::nothrow) ClassFactory(entry);
    if (!made) return E_OUTOFMEMORY;
    made->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(factory));
    entry.cachedFactory.store(*factory, std::memory_order_release);
    return S_OK;
}

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    ClassEntry* entry = FindEntry(clsid);
    if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
    IUnknown* factory = nullptr;
    const HRESULT hr = CachedFactory(*entry, &factory);
    if (FAILED(hr)) return hr;
    return factory->QueryInterface(iid, out);
}

void ReleaseCachedFactories()
{
    for (auto& entry : ThisServer().classes) {
        if (IUnknown* factory = entry.cachedFactory.exchange(nullptr)) factory->Release();
    }
}

}  // namespace nvx::com
