#pragma once
// The value of a part of complex type, as the markup that goes inside the
// part's element in a request.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

// The content `value` stands for:
//   XML text             elements and text, as written (it must be well-formed)
//   an MSXML node        an element named like the part gives its children,
//                        any other element itself; a document stands for its
//                        root element, a fragment for its children
//   a two-dimensional    row 0 the member names, row 1 their values: one
//   array                element per column, in the type's member namespace
// DISP_E_TYPEMISMATCH for any other value, for text that is no well-formed
// XML, and for a table whose names are no XML names.
HRESULT ComplexContent(const VARIANT& value, const PartDescription& part, std::wstring* xml);

}  // namespace nvx::soaptk
