#pragma once
// IDispatch for dual interfaces, served from a registered type library.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "base/common/com_ptr.h"

namespace nvx::com {

// Loads an interface's type information once (under the module's type
// information lock) and keeps a cache of its member names.
class TypeInfoHolder {
public:
    TypeInfoHolder(const IID& iid, const GUID& libid, WORD major, WORD minor);

    HRESULT GetTypeInfo(LCID locale, ITypeInfo** out);
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids);
    HRESULT Invoke(IDispatch* self, DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argumentError);

private:
    struct CachedName {
        std::wstring name;
        DISPID id;
    };

    HRESULT EnsureLoaded(LCID locale);
    void FillNameCache(ITypeInfo* info);
    bool FindCached(const wchar_t* name, DISPID* id) const;

    const IID iid_;
    const GUID libid_;
    const WORD major_;
    const WORD minor_;
    ComPtr<ITypeInfo> info_;
    std::vector<CachedName> names_;
};

// Implements the IDispatch members of dual interface I from the type library
// LibId (major.minor) that describes it.
template <class I, const GUID* LibId, WORD Major = 1, WORD Minor = 0>
class DispatchImpl : public I {
public:
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    IFACEMETHODIMP GetTypeInfo(UINT, LCID locale, ITypeInfo** out) override
    {
        return Holder().GetTypeInfo(locale, out);
    }
    IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        return Holder().GetIDsOfNames(names, count, locale, ids);
    }
    IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override
    {
        return Holder().Invoke(static_cast<I*>(this), id, locale, flags, params, result, exception, argumentError);
    }

private:
    static TypeInfoHolder& Holder()
    {
        static TypeInfoHolder holder(__uuidof(I), *LibId, Major, Minor);
        return holder;
    }
};

}  // namespace nvx::com
