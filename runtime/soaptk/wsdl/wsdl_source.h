#pragma once
// Fetching and reading a WSDL document from where the caller says it is.
#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <string>
#include <string_view>

#include "base/common/com_ptr.h"
#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

struct WsdlFetchSettings {
    DWORD timeoutMs = 30000;  // bounds a fetch over HTTP
    std::wstring proxy;       // "server:port", or "" to go direct
    // When set, every http:// or https:// document is fetched through a
    // connector this factory makes (ready for a GET): the caller's transport
    // carries the documents as it carries the calls.
    ComPtr<IClassFactory> connectors;
    // The location the WSDL was copied from, when it is read from a copy:
    // the documents it refers to are found from there.
    std::wstring originalLocation;
};

// Reads the WSDL at `location`: an http:// or https:// URL (fetched with a
// GET), a file:// URL, or a file path (absolute or relative to the current
// directory), with the documents it imports or includes (see
// LoadDocumentSet). Documents are parsed as untrusted input (no DTD, no
// external resources). Fails with the fetch's status, with an HTTP status as
// MAKE_HRESULT(SEVERITY_ERROR, FACILITY_HTTP, status) when the server
// answers with anything but success, or with kNotWsdl when the document does
// not parse or is no WSDL 1.1.
HRESULT ReadWsdl(std::wstring_view location, const WsdlFetchSettings& settings,
                 std::shared_ptr<const WsdlDescription>* description);

}  // namespace nvx::soaptk
