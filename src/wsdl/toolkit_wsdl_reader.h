#pragma once
// The toolkit's WSDL reader as the caller object hands it out for standard
// SOAP/HTTP. The toolkit's reader answers its IUnknown-based interface only,
// which a script cannot call; it is therefore made the inner part of an
// aggregate whose own IDispatch is real (it has no members, so a script gets
// a clean automation error), while QueryInterface reaches the toolkit's
// reader for C++ callers.
#include <windows.h>
#include <oaidl.h>

#include "base/common/com_ptr.h"

namespace nvx::wsdl {

// A new aggregate around a new toolkit WSDL reader, put into the running
// state and checked to answer the toolkit's reader interface.
HRESULT CreateToolkitWsdlReader(ComPtr<IDispatch>* reader);

}  // namespace nvx::wsdl
