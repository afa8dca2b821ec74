#pragma once
// What a WSDL 1.1 description says about calling its services over SOAP 1.1
// or 1.2, reduced to what a client needs. Built once per load and never changed, so
// the objects that hand it out share it.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace nvx::soaptk {

// One argument or the result of an operation.
struct PartDescription {
    std::wstring partName;      // the message part, or the wrapper child it stands for
    std::wstring elementName;   // the element that carries the value in a message
    std::wstring xmlNamespace;  // that element's namespace; "" when unqualified
    std::wstring typeName;      // local name of the declared type; "" for an anonymous one
    VARTYPE variantType = VT_BSTR;
    // For a complex type: the namespace its member elements take ("" when
    // they are unqualified).
    std::wstring memberNamespace;
    bool input = true;
    bool header = false;  // travels as an entry of the SOAP header
    long minOccurs = 1;
    long callIndex = 0;  // 1-based position among the inputs; -1 for the result
};

struct OperationDescription {
    std::wstring name;
    std::wstring documentation;
    std::wstring soapAction;
    std::wstring style;    // "document" or "rpc"
    bool encoded = false;  // the input body is use="encoded"
    bool soap12 = false;   // its binding is SOAP 1.2's
    // The element that wraps the arguments (and the result) in the body; an
    // empty name means the parts stand directly in the body.
    std::wstring inputNamespace;
    std::wstring inputElement;
    std::wstring outputNamespace;
    std::wstring outputElement;
    std::vector<PartDescription> inputs;  // in message order, header parts included
    bool hasResult = false;
    PartDescription result;
};

struct PortDescription {
    std::wstring name;
    std::wstring address;
    std::wstring bindStyle;  // the binding's default style
    std::wstring transport;
    std::wstring documentation;
    bool soap12 = false;  // the binding is SOAP 1.2's
    std::vector<OperationDescription> operations;
};

struct ServiceDescription {
    std::wstring name;
    std::wstring documentation;
    std::vector<PortDescription> ports;  // SOAP ports only
};

struct WsdlDescription {
    std::vector<ServiceDescription> services;
};

}  // namespace nvx::soaptk
