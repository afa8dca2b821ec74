#pragma once
// Reading a parsed WSDL 1.1 description (a document and those it imports)
// into what a SOAP client works from: services, their SOAP 1.1 and 1.2 ports
// (others are left out), the operations of each port's binding, and the parts
// of each operation.
//
// Document-style operations whose input is one element of a complex type with
// a sequence of elements (the "wrapped" convention of ASP.NET and spyne) take
// the children of that element as their arguments and the first child of the
// output element as their result; other document-style messages take their
// parts as elements that stand directly in the body. rpc-style operations
// take their message parts as unqualified accessors of the operation's
// element. A soap:body's parts attribute limits the body to the parts it
// lists; soap:header parts of the input are arguments that travel in the
// header. Only the first body part of an output message is the result.
#include <windows.h>
#include "base/common/msxml.h"

#include <span>

#include "runtime/soaptk/wsdl/document_set.h"
#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

// Fails with kNotWsdl when the first document is no WSDL 1.1 definitions.
HRESULT DescribeWsdl(std::span<const SourceDocument> documents, WsdlDescription* description);

inline const HRESULT kNotWsdl = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

}  // namespace nvx::soaptk
