#pragma once
// Values in the lexical forms of XML schema, whatever the locale: booleans
// "true"/"false", numbers with a decimal point, dateTime as ISO 8601.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace nvx::soaptk {

// The text of a simple value in the lexical form of its own type: VT_BSTR as
// it is, VT_BOOL, the integer and floating types, VT_DECIMAL, VT_CY and
// VT_DATE ("YYYY-MM-DDThh:mm:ss", whole seconds). DISP_E_TYPEMISMATCH for
// anything else (objects, arrays, VT_EMPTY, VT_NULL).
HRESULT XsdTextOf(const VARIANT& value, std::wstring* text);

// A value of `type` (VT_BSTR, VT_BOOL, VT_I2, VT_I4, VT_I8, VT_R4, VT_R8,
// VT_DECIMAL or VT_DATE) from its lexical form, surrounding white space
// ignored except for strings. A dateTime with a zone designator is taken to
// UTC; one without keeps its clock time. DISP_E_TYPEMISMATCH for text that is
// not of the type's form, DISP_E_OVERFLOW for a number beyond its range.
HRESULT ValueFromXsdText(std::wstring_view text, VARTYPE type, VARIANT* value);

}  // namespace nvx::soaptk
