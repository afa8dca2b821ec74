#include "base/toolkit/text_property.h"

#include "base/common/bstr.h"
#include "base/common/variant.h"

namespace nvx::toolkit {
namespace {

template <class Object, class Setter>
HRESULT PutText(Object* object, Setter setter, std::wstring_view name, std::wstring_view value)
{
    if (!object) return E_POINTER;
    const Bstr propertyName(name);
    Variant text;
    V_VT(text.Get()) = VT_BSTR;
    V_BSTR(text.Get()) = Bstr(value).Detach();
    return (object->*setter)(propertyName.Get(), *text);
}

}  // namespace

HRESULT SetTextProperty(ISoapConnector* connector, std::wstring_view name, std::wstring_view value)
{
    return PutText(connector, &ISoapConnector::put_Property, name, value);
}

HRESULT SetTextProperty(ISOAPClient* client, std::wstring_view name, std::wstring_view value)
{
    return PutText(client, &ISOAPClient::put_ConnectorProperty, name, value);
}

}  // namespace nvx::toolkit
