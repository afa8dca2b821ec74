#include "src/wsdl/toolkit_wsdl_reader.h"

#include <ole2.h>

#include <new>

#include "base/comframe/module.h"
#include "mssoap.h"

namespace nvx::wsdl {
namespace {

class ToolkitWsdlReader final : public IDispatch {
public:
    ToolkitWsdlReader() { com::Module::Lock(); }
    ~ToolkitWsdlReader() { com::Module::Unlock(); }
    ToolkitWsdlReader(const ToolkitWsdlReader&) = delete;
    ToolkitWsdlReader& operator=(const ToolkitWsdlReader&) = delete;

    // Makes the inner reader; the aggregate holds the only reference to it.
    HRESULT CreateInner()
    {
        return CoCreateInstance(CLSID_WSDLReader, this, CLSCTX_ALL, IID_IUnknown,
                                reinterpret_cast<void**>(inner_.GetAddressOf()));
    }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return inner_ ? inner_->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    IFACEMETHODIMP_(ULONG) Release() override
    {
        const ULONG remaining = --references_;
        if (remaining == 0) {
            // Stabilised: the inner object may call back through this one
            // while it goes.
            references_ = 1;
            inner_.Reset();
            delete this;
        }
        return remaining;
    }

    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (!info) return E_POINTER;
        *info = nullptr;
        return DISP_E_BADINDEX;
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override
    {
        if (!ids) return E_POINTER;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ULONG references_ = 0;
    ComPtr<IUnknown> inner_;  // the toolkit reader's own, non-delegating IUnknown
};

}  // namespace

HRESULT CreateToolkitWsdlReader(ComPtr<IDispatch>* reader)
{
    ComPtr<IDispatch> outer(new (std::nothrow) ToolkitWsdlReader());
    if (!outer) return E_OUTOFMEMORY;
    HRESULT hr = static_cast<ToolkitWsdlReader*>(outer.Get())->CreateInner();
    if (SUCCEEDED(hr)) hr = OleRun(outer.Get());
    ComPtr<IWSDLReader> toolkitReader;
    if (SUCCEEDED(hr)) hr = outer.As(&toolkitReader);
    if (FAILED(hr)) return hr;
    *reader = std::move(outer);
    return S_OK;
}

}  // namespace nvx::wsdl
