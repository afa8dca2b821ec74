#pragma once
// Setting a named property of a toolkit object to a text: a connector's
// Property, a SOAP client's ConnectorProperty. The value travels as a VT_BSTR.
#include <windows.h>
#include <oleauto.h>

#include <string_view>

#include "mssoap.h"

namespace nvx::toolkit {

HRESULT SetTextProperty(ISoapConnector* connector, std::wstring_view name, std::wstring_view value);
HRESULT SetTextProperty(ISOAPClient* client, std::wstring_view name, std::wstring_view value);

}  // namespace nvx::toolkit
