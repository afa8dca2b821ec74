#pragma once
// Per-thread state that lives no longer than COM on its thread. A cache kept
// in a thread_local would outlive CoUninitialize: class objects and sessions
// made in the apartment would be used in the next one, or released at thread
// exit after their servers were unloaded. This state is made on first use and
// destroyed by the CoUninitialize that ends COM on the thread, which an
// initialize spy reports (PreUninitialize, before the apartment is torn down).
#include <windows.h>
#include <objbase.h>

#include <new>

namespace nvx {

template <class State>
class ApartmentLocal {
public:
    ApartmentLocal() : slot_(TlsAlloc()) {}
    // The slot is kept for the life of the process: spies of other threads
    // may still hold state in it.
    ~ApartmentLocal() = default;
    ApartmentLocal(const ApartmentLocal&) = delete;
    ApartmentLocal& operator=(const ApartmentLocal&) = delete;

    // The calling thread's state, made now if need be; null when it cannot be
    // tied to COM's lifetime on the thread (the caller then keeps nothing).
    State* Get()
    {
        if (slot_ == TLS_OUT_OF_INDEXES) return nullptr;
        if (auto* spy = static_cast<Spy*>(TlsGetValue(slot_))) return &spy->state;
        auto* spy = new (std::nothrow) Spy(slot_);
        if (!spy) return nullptr;
        const bool registered = SUCCEEDED(CoRegisterInitializeSpy(spy, &spy->cookie));
        if (registered) TlsSetValue(slot_, spy);
        // From here COM holds the only reference: it lets go at the last
        // CoUninitialize (below), or when the thread ends without one.
        spy->Release();
        return registered ? &spy->state : nullptr;
    }

private:
    // Owned by COM while registered; the thread's slot only points at it.
    class Spy final : public IInitializeSpy {
    public:
        explicit Spy(DWORD slot) : slot_(slot) {}

        IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
        {
            if (!out) return E_POINTER;
            if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IInitializeSpy)) {
                *out = static_cast<IInitializeSpy*>(this);
                AddRef();
                return S_OK;
            }
            *out = nullptr;
            return E_NOINTERFACE;
        }
        IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
        IFACEMETHODIMP_(ULONG) Release() override
        {
            const ULONG remaining = --references_;
            if (remaining == 0) delete this;
            return remaining;
        }

        IFACEMETHODIMP PreInitialize(DWORD, DWORD) override { return S_OK; }
        IFACEMETHODIMP PostInitialize(HRESULT result, DWORD, DWORD) override { return result; }
        // `references` counts the thread's initialisations before this one
        // is undone: 1 means COM ends on the thread now.
        IFACEMETHODIMP PreUninitialize(DWORD references) override
        {
            if (references != 1) return S_OK;
            TlsSetValue(slot_, nullptr);
            AddRef();  // alive until this call is done with it
            CoRevokeInitializeSpy(cookie);
            Release();  // the state goes with the spy; touch nothing after
            return S_OK;
        }
        IFACEMETHODIMP PostUninitialize(DWORD) override { return S_OK; }

        State state;
        ULARGE_INTEGER cookie{};

    private:
        const DWORD slot_;
        ULONG references_ = 1;
    };

    const DWORD slot_;
};

}  // namespace nvx
