#pragma once
// Any other returned structure or array in the shapes of a data-set table, so
// that one rule serves every result and a spreadsheet takes any of them:
//  - an array of simple values: a one-dimensional array of their texts;
//  - one structure: a table of one row, row 0 the field names;
//  - an array of structures: a table, one row per structure, row 0 the names
//    of the fields any of them has (in the order they first appear);
//  - a structure or array inside a field: that field's XML text.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace nvx::wsdl {

// Fills `result` (empty on entry) from the node list `value` holds: the
// children of the result element. The children are an array when there are
// several of one name, when the result's type is named like an array
// ("ArrayOf...", "...Array") or when the element says it holds a SOAP-encoded
// array; otherwise they are the fields of one structure. Text without
// elements comes back as that text; nothing at all gives an array of no
// element when the type is named like an array, and leaves `result` empty
// otherwise.
HRESULT ConvertStructure(IDispatch* value, const std::wstring& typeName, VARIANT* result);

}  // namespace nvx::wsdl
