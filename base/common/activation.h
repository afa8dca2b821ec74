#pragma once
// Activation of a class that may live out of process: created for IUnknown in
// any context, put into the running state, and only then asked for the wanted
// interface.
#include <windows.h>
#include <ole2.h>

#include "base/common/com_ptr.h"

namespace nvx {

template <class Interface>
HRESULT ActivateRunning(REFCLSID clsid, ComPtr<Interface>& object)
{
    ComPtr<IUnknown> unknown;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = OleRun(unknown.Get());
    if (SUCCEEDED(hr)) hr = unknown.As(&object);
    return hr;
}

}  // namespace nvx
