#pragma once
// The WSDL-driven call: reads the service's WSDL, finds the method and its
// typed parameters there, binds the caller's arguments to them by name, calls
// the method through the toolkit's SOAP client and turns a returned data table
// into an array.
#include <windows.h>

#include <string>

#include "NvxWebSvc.h"
#include "src/facade/settings.h"
#include "src/wsdl/service_model.h"

namespace nvx::wsdl {

struct AnonymousCallSettings {
    bool useDefaultProxy;
    // Over the gateway the WSDL, what it imports and the call all travel
    // through NvxHTTPConnector, with these settings; otherwise the toolkit's
    // own connector carries them.
    bool overGateway = false;
    long timeout = facade::kTimeoutNotSet;
    _HTTPCOMPRESSION_ compression = None;
};

// `model` is rebuilt from the WSDL and kept by the caller. `result` is
// initialised here; an unknown method gives S_OK with an empty result (and a
// trace entry that says what the WSDL offers). A failure leaves an error
// object that says why: the fault's text with its code as the source, the
// transport's failure, or the argument that could not be passed. A returned
// data set, structure or array comes back as a table or array (see
// ConvertToTable and ConvertStructure).
HRESULT AnonymousCall(const AnonymousCallSettings& settings, ServiceModel* model, BSTR wsdlFile, BSTR method,
                      const VARIANT& argNames, const VARIANT& argValues, VARIANT* result);

}  // namespace nvx::wsdl
