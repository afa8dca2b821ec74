#pragma once
// The arrays a WSDL-driven call returns its data in, and the DOM walking that
// finds the data: a row of texts, or a grid whose row 0 holds the column
// names.
#include <windows.h>
#include <oleauto.h>
#include "base/common/msxml.h"

#include <string>
#include <vector>

#include "base/common/com_ptr.h"

namespace nvx::wsdl {

using Row = std::vector<std::wstring>;

// The nodes of a list, in order.
std::vector<ComPtr<IXMLDOMNode>> Items(IXMLDOMNodeList* list);
std::wstring NodeName(IXMLDOMNode* node);
std::wstring NodeText(IXMLDOMNode* node);

// A one-dimensional array of the texts (VT_ARRAY | VT_VARIANT, VT_BSTR cells).
SAFEARRAY* TextRow(const Row& texts);
// A (rows + 1) x columns array: row 0 the column names, then the rows; a
// short row leaves its missing cells empty.
SAFEARRAY* TextGrid(const Row& columns, const std::vector<Row>& rows);
// Hands `array` (owned, may be null for "out of memory") to `result`.
HRESULT ReturnArray(SAFEARRAY* array, VARIANT* result);

}  // namespace nvx::wsdl
