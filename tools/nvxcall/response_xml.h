#pragma once
// An answer's XML, read with MSXML (the parser a script client gets): laid
// out one element a line, and asked whether it is a SOAP fault.
#include <windows.h>

#include <string>

namespace nvxcall {

// Fails (and leaves `indented` alone) when the text is not well-formed XML.
HRESULT IndentXml(const std::string& xml, std::string* indented);

// Whether the envelope's body holds a Fault (of either SOAP version).
bool IsSoapFault(const std::string& xml);

}  // namespace nvxcall
