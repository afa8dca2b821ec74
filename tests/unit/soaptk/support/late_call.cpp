#include "late_call.h"

#include <gtest/gtest.h>

namespace nvx::test {

ExceptionInfo::~ExceptionInfo()
{
    SysFreeString(value_.bstrSource);
    SysFreeString(value_.bstrDescription);
    SysFreeString(value_.bstrHelpFile);
}

std::wstring ExceptionInfo::Description() const { return value_.bstrDescription ? value_.bstrDescription : L""; }

std::wstring ExceptionInfo::Source() const { return value_.bstrSource ? value_.bstrSource : L""; }

HRESULT CallByName(IDispatch* object, const wchar_t* name, const std::vector<const OwnedVariant*>& arguments,
                   VARIANT* result, ExceptionInfo* exception, UINT* argumentError)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> laidOut;
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        laidOut.push_back(*(*argument)->Get());
    DISPPARAMS parameters{laidOut.data(), nullptr, static_cast<UINT>(laidOut.size()), 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result,
                          exception ? exception->Get() : nullptr, argumentError);
}

std::wstring WsdlFixture(const wchar_t* name) { return std::wstring(NVX_WSDL_FIXTURES) + L"\\" + name; }

}  // namespace nvx::test
