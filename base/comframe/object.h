#pragma once
// The shapes a COM class of this frame takes: a plain object, or the inner
// part of an aggregate. A class T derives from its interfaces and from
// ObjectRoot<T>, and lists its interfaces in a static Interfaces() table;
// PlainObject<T> or AggregatedObject<T> supply IUnknown.
#include <windows.h>

#include <span>

#include "base/comframe/module.h"
#include "base/common/com_boundary.h"

namespace nvx::com {

template <class T>
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*view)(T* object);
};

// The view of an object as interface I, for interface tables.
template <class T, class I>
IUnknown* ViewAs(T* object)
{
    return static_cast<I*>(object);
}

template <class T>
class ObjectRoot {
protected:
    // Walks T's table; IUnknown is answered with the first entry.
    HRESULT InternalQueryInterface(REFIID iid, void** out)
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        const std::span<const InterfaceEntry<T>> table = T::Interfaces();
        T* self = static_cast<T*>(this);
        for (const auto& entry : table) {
            if (IsEqualIID(iid, *entry.iid) || (IsEqualIID(iid, IID_IUnknown) && &entry == table.data())) {
                IUnknown* view = entry.view(self);
                view->AddRef();
                *out = view;
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }
};

template <class T>
class PlainObject final : public T {
public:
    PlainObject() { Module::Lock(); }
    ~PlainObject() { Module::Unlock(); }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override { return this->InternalQueryInterface(iid, out); }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        const ULONG remaining = --references_;
        if (remaining == 0) delete this;
        return remaining;
    }

private:
    ULONG references_ = 0;
};

// T inside an aggregate: its interfaces hand IUnknown to the outer object.
template <class T>
class ContainedObject final : public T {
public:
    explicit ContainedObject(IUnknown* outer) : outer_(outer) {}

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override { return outer_->QueryInterface(iid, out); }
    IFACEMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

    HRESULT QueryInner(REFIID iid, void** out) { return this->InternalQueryInterface(iid, out); }

private:
    IUnknown* outer_;
};

// The inner, non-delegating unknown of an aggregate: it counts references for
// the whole object.
template <class T>
class AggregatedObject final : public IUnknown {
public:
    explicit AggregatedObject(IUnknown* outer) : contained_(outer) { Module::Lock(); }
    ~AggregatedObject() { Module::Unlock(); }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return contained_.QueryInner(iid, out);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        const ULONG remaining = --references_;
        if (remaining == 0) delete this;
        return remaining;
    }

private:
    ULONG references_ = 0;
    ContainedObject<T> contained_;
};

// The instance creator of class T: plain without an outer object, aggregated
// with one. A failed interface request destroys the new object again.
template <class T>
HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return ComBoundary([&]() -> HRESULT {
        IUnknown* object =
            outer ? static_cast<IUnknown*>(new AggregatedObject<T>(outer))
                  : static_cast<IUnknown*>(static_cast<typename T::PrimaryInterface*>(new PlainObject<T>()));
        object->AddRef();
        const HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    });
}

}  // namespace nvx::com
