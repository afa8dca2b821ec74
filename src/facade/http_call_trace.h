#pragma once
// The trace of a call over standard SOAP/HTTP, in the entries the gateway path
// writes: the request line and envelope going out, the response text coming
// in. The toolkit's connector streams straight to the network, so a traced
// call passes its request and response through memory to see them.
#include <windows.h>

#include "base/common/com_ptr.h"

namespace nvx::facade {

// A growable stream in memory (the request is serialized into one while tracing).
ComPtr<IStream> NewMemoryStream();

// Traces the request held in `buffer` (its URL without credentials) and
// copies it to the connector's request stream.
HRESULT ForwardTracedRequest(IStream* buffer, IStream* request, BSTR endPointUrl, BSTR soapAction);

// Reads the whole response, traces it, and returns it as a stream again.
ComPtr<IStream> TracedResponse(IStream* response);

}  // namespace nvx::facade
