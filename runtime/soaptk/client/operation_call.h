#pragma once
// One late-bound call of a WSDL operation: the arguments read, the request
// written and sent through the connector, the answer read.
#include <windows.h>
#include <oaidl.h>

#include "mssoap.h"
#include "runtime/soaptk/client/soap_answer.h"
#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

// Calls `operation` through `connector` (its endpoint and other properties
// already set). On success `*result` holds the result (see ResultOf).
// Argument errors are those of ReadCallArguments, found before anything is
// sent. Everything that goes wrong after that is DISP_E_EXCEPTION with
// `*exception` (when given) filled, source "SOAPClient":
//   a SOAP fault       scode E_FAIL, description the faultstring; `*fault` is set
//   a failed exchange  scode the exchange's status, a description naming the endpoint
//   an answer that is no SOAP message, or whose result is not of its type
HRESULT CallOperation(ISoapConnector* connector, const OperationDescription& operation, const DISPPARAMS& parameters,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError, SoapFault* fault);

}  // namespace nvx::soaptk
