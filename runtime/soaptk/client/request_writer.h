#pragma once
// The request of one operation as its WSDL describes it, written through the
// toolkit's serializer.
#include <windows.h>

#include <vector>

#include "mssoap.h"
#include "runtime/soaptk/client/call_arguments.h"
#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

// Writes the envelope into the serializer (initialised on the request
// stream, for the operation's SOAP version): the header parts that have a
// value as header entries, then the operation's wrapper element, when it has
// one, holding one element per body part in WSDL order (qualified as the
// schema says), or the parts directly in the body. `arguments` has one value
// per input.
HRESULT WriteRequest(ISoapSerializer* serializer, const OperationDescription& operation,
                     const std::vector<ArgumentValue>& arguments);

}  // namespace nvx::soaptk
