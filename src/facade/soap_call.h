#pragma once
// One remote procedure call over SOAP: connector, request, exchange, reader.
#include <windows.h>

#include "src/facade/settings.h"

namespace nvx::facade {

// The five texts a failed call leaves in the thread's error object, each
// followed by ": " and its cause when one is known.
inline constexpr char kConnectorFailed[] = "Failed to create SOAP connector control";
inline constexpr char kSerializerFailed[] = "Failed to create SOAP serializer control";
inline constexpr char kReaderFailed[] = "Failed to create SOAP reader control";
inline constexpr char kExchangeFailed[] = "HTTP/Timeout/Network problem";
inline constexpr char kGenericFailure[] = "Generic Web service caller error";

// Arguments refused with E_INVALIDARG before anything is sent: text that would
// reach the request head with a line break or NUL in it, or a URL with a space
// or control character, could add header lines of the caller's making.
inline constexpr char kInvalidEndPointUrl[] =
    "Invalid EndPointURL: spaces and control characters cannot be sent in a URL";
inline constexpr char kInvalidWebMethod[] =
    "Invalid WebMethod: a line break or NUL character cannot be sent in the SOAPAction header";
inline constexpr char kInvalidNameSpace[] =
    "Invalid NameSpace: a line break or NUL character cannot be sent in the SOAPAction header";
// Followed by the argument's name and the reason.
inline constexpr char kUnsendableArgument[] = "Invalid value of argument ";
inline constexpr char kUnsendableArgumentReason[] =
    ": an array of records, objects or elements of an unknown type cannot be sent";
inline constexpr char kInvalidWsdlFile[] = "Invalid WSDLFile: spaces and control characters cannot be sent in a URL";

// Runs the call and returns the toolkit's SOAP reader holding the response
// (one reference for the caller). A failure returns E_FAIL, or E_INVALIDARG
// for a refused argument, with `*reader` null after installing one of the
// texts above, with its cause, as the thread's error object.
HRESULT ExecuteSoapCall(const CallSettings& settings, BSTR endPointUrl, BSTR webMethod, const VARIANT& argNames,
                        const VARIANT& argValues, IDispatch** reader);

}  // namespace nvx::facade
