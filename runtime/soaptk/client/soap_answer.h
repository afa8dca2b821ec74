#pragma once
// What a loaded answer holds for the caller of an operation: a SOAP fault, or
// the operation's result as a VARIANT.
#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>

#include "mssoap.h"
#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

struct SoapFault {
    std::wstring code;
    std::wstring string;
    std::wstring actor;
    std::wstring detail;  // the XML inside the detail element
};

// The fault the reader's message carries, or nullopt.
std::optional<SoapFault> FaultOf(ISoapReader* reader);

// The result of `operation` from the reader's message:
//   VT_EMPTY           the operation has no result, or the answer leaves it out
//   VT_NULL            the result element is xsi:nil
//   VT_DISPATCH        a complex result: the IXMLDOMNodeList of its child nodes,
//                      in a copy whose multi-reference values are resolved
//   the part's type    a simple result, read from its lexical form (an href
//                      to it followed)
// A simple result whose text is not of its type's form gives the conversion's
// failure (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) and `*text` holds the text.
HRESULT ResultOf(ISoapReader* reader, const OperationDescription& operation, VARIANT* result, std::wstring* text);

}  // namespace nvx::soaptk
