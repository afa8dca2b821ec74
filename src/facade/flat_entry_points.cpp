#include "src/facade/flat_entry_points.h"

#include "base/comframe/class_factory.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/text.h"

using nvx::Bstr;
using nvx::ComPtr;

namespace {

// Converted ANSI text; null stays null.
Bstr FromAnsi(const char* text) { return text ? Bstr(nvx::WideFromAnsi(text)) : Bstr(); }

}  // namespace

extern "C" IComWebSvc* WINAPI InitNVXWebSvc(const char* nameSpace, long timeout)
{
    try {
        ComPtr<IClassFactory> factory;
        if (FAILED(nvx::com::GetClassObject(CLSID_ComWebSvc, IID_IClassFactory, &factory))) return nullptr;
        ComPtr<IComWebSvc> caller;
        if (FAILED(factory->CreateInstance(nullptr, IID_IComWebSvc, &caller))) return nullptr;
        const Bstr converted = FromAnsi(nameSpace);
        caller->put_NameSpace(converted.Get());
        caller->put_SoapTransportProtocol(SoapOverHTTP);
        caller->put_Timeout(timeout);
        return caller.Detach();
    } catch (...) {
        return nullptr;
    }
}

extern "C" IDispatch* WINAPI ExecuteMethod(IComWebSvc* caller, const char* endPointUrl, const char* webMethod,
                                           VARIANT argNames, VARIANT argValues)
{
    if (!caller) return nullptr;
    try {
        ComPtr<IComWebSvc> service;
        if (FAILED(caller->QueryInterface(IID_IComWebSvc, &service))) return nullptr;
        const Bstr method = FromAnsi(webMethod);
        const Bstr url = FromAnsi(endPointUrl);
        ComPtr<IDispatch> document;
        if (FAILED(service->get_Execute2(url.Get(), method.Get(), argNames, argValues, &document))) return nullptr;
        return document.Detach();
    } catch (...) {
        return nullptr;
    }
}

extern "C" ULONG WINAPI DeleteNVXWebSvc(IUnknown* handle) { return handle ? handle->Release() : 0; }
