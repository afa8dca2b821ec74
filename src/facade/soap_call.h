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

// Runs the call and returns the toolkit's SOAP reader holding the response
// (one reference for the caller). Every failure returns E_FAIL with `*reader`
// null after installing one of the five texts, with its cause, as the
// thread's error object.
HRESULT ExecuteSoapCall(const CallSettings& settings, BSTR endPointUrl, BSTR webMethod, const VARIANT& argNames,
                        const VARIANT& argValues, IDispatch** reader);

}  // namespace nvx::facade
