#pragma once
// SOAP encoding's multi-reference values: an accessor that stands for a value
// written elsewhere in the body (href="#id" in SOAP 1.1, enc:ref="id" in
// SOAP 1.2), as rpc/encoded services write arrays and structures.
#include <windows.h>
#include "base/common/msxml.h"

#include "base/common/com_ptr.h"

namespace nvx::soaptk {

// A copy of `element` in which every accessor that refers to a value of the
// body holds that value's attributes and content instead, references inside
// it followed in turn. A reference to a value that is not there, to a value
// inside its own expansion, or deeper than a few dozen levels stays as it is.
HRESULT WithReferencesResolved(IXMLDOMElement* element, IXMLDOMElement* body, ComPtr<IXMLDOMElement>* resolved);

}  // namespace nvx::soaptk
