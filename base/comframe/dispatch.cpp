#include "base/comframe/dispatch.h"

#include <mutex>

#include "base/comframe/module.h"
#include "base/common/bstr.h"
#include "base/common/com_boundary.h"

namespace nvx::com {

TypeInfoHolder::TypeInfoHolder(const IID& iid, const GUID& libid, WORD major, WORD minor)
    : iid_(iid), libid_(libid), major_(major), minor_(minor)
{
}

HRESULT TypeInfoHolder::EnsureLoaded(LCID locale)
{
    bool loadedNow = false;
    HRESULT hr = S_OK;
    {
        std::lock_guard<std::mutex> guard(Module::TypeInfoLock());
        if (info_) return S_OK;
        ComPtr<ITypeLib> library;
        hr = LoadRegTypeLib(libid_, major_, minor_, locale, &library);
        ComPtr<ITypeInfo> info;
        if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(iid_, &info);
        if (SUCCEEDED(hr)) {
            ComPtr<ITypeInfo2> extended;
            if (SUCCEEDED(info.As(&extended))) info = extended;
            hr = ComBoundary([&] {
                FillNameCache(info.Get());
                return S_OK;
            });
        }
        if (SUCCEEDED(hr)) {
            info_ = info;
            loadedNow = true;
        }
    }
    // Released at unload; a later load after that cannot happen.
    if (loadedNow) {
        Module::AddShutdownAction([this] {
            info_.Reset();
            names_.clear();
        });
    }
    return hr;
}

void TypeInfoHolder::FillNameCache(ITypeInfo* info)
{
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) return;
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    names_.clear();
    for (WORD i = 0; i < functions; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        const DISPID id = function->memid;
        info->ReleaseFuncDesc(function);
        Bstr name;
        UINT count = 0;
        if (SUCCEEDED(info->GetNames(id, name.Put(), 1, &count)) && count == 1)
            names_.push_back({std::wstring(name.View()), id});
    }
}

bool TypeInfoHolder::FindCached(const wchar_t* name, DISPID* id) const
{
    const size_t length = wcslen(name);
    for (auto entry = names_.rbegin(); entry != names_.rend(); ++entry) {
        if (entry->name.size() == length && entry->name.compare(0, length, name) == 0) {
            *id = entry->id;
            return true;
        }
    }
    return false;
}

HRESULT TypeInfoHolder::GetTypeInfo(LCID locale, ITypeInfo** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    const HRESULT hr = EnsureLoaded(locale);
    if (FAILED(hr)) return hr;
    return info_.CopyTo(out);
}

HRESULT TypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    if (!names || !ids) return E_POINTER;
    const HRESULT hr = EnsureLoaded(locale);
    if (FAILED(hr)) return hr;
    // The cache knows member names only; named arguments (count > 1) are
    // resolved by the type information, relative to their member.
    if (count == 1 && names[0] && FindCached(names[0], &ids[0])) return S_OK;
    return info_->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoHolder::Invoke(IDispatch* self, DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argumentError)
{
    const HRESULT hr = EnsureLoaded(locale);
    if (FAILED(hr)) return hr;
    // A property get that takes arguments reads like a function call, and
    // script engines that ask for a method only (JScript) must reach it too.
    if (flags & DISPATCH_METHOD) flags |= DISPATCH_PROPERTYGET;
    return info_->Invoke(self, id, flags, params, result, exception, argumentError);
}

}  // namespace nvx::com
