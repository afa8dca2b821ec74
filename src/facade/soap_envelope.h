#pragma once
// The SOAP request of a call, written through the toolkit's serializer:
// Envelope, Body, the method element and one element per argument.
#include <windows.h>

#include <string>

#include "mssoap.h"

namespace nvx::facade {

class VariantStringList;

// An argument whose value holds an array of elements that cannot be written
// as text (records, interfaces, unknown types), named by the argument.
struct UnsendableArgument {
    std::string name;
};

// XML-schema type name of an array element by its VARIANT type ("long",
// "double", "string", ...).
const wchar_t* SchemaTypeName(VARTYPE type);

// The SOAP action: the namespace, a "/" unless it ends with one, the method.
// A null or empty namespace gives the method alone.
BSTR SoapAction(BSTR nameSpace, BSTR webMethod);

// Writes the request. Argument i is named by entry i of `names` and valued by
// element i of `values`; an argument without a name is not written (an element
// needs one), a missing or unreadable value gives an empty element, and an
// array that cannot be read throws UnsendableArgument. The serializer's
// statuses are not examined: whether the exchange worked is told by the
// reader alone.
void WriteRequestEnvelope(ISoapSerializer* serializer, BSTR nameSpace, BSTR webMethod, const VariantStringList& names,
                          const VARIANT& values);

}  // namespace nvx::facade
