#pragma once
// The services, ports and operations of a loaded WSDL, as text:
//
//   Service: SampleService
//     Port: Application  http://127.0.0.1:8000/
//       Add(a: int, b: int) -> int
#include <windows.h>

#include <string>

#include "mssoap.h"

namespace nvxcall {

HRESULT DescribeWsdl(IWSDLReader* reader, std::string* text);

// Whether any port of the loaded WSDL has the operation (names compared exactly).
HRESULT HasOperation(IWSDLReader* reader, const std::string& name, bool* found);

}  // namespace nvxcall
