#pragma once
// Setting a named property of a toolkit object (a connector's Property, a SOAP
// client's ConnectorProperty) to a text: the value travels as a VT_BSTR.
#include <windows.h>
#include <oleauto.h>

#include <string_view>

#include "base/common/bstr.h"
#include "base/common/variant.h"

namespace nvx {

template <class Object, class Setter>
HRESULT PutTextProperty(Object* object, Setter setter, std::wstring_view name, std::wstring_view value)
{
    const Bstr propertyName(name);
    Variant text;
    V_VT(text.Get()) = VT_BSTR;
    V_BSTR(text.Get()) = Bstr(value).Detach();
    return (object->*setter)(propertyName.Get(), *text);
}

}  // namespace nvx
