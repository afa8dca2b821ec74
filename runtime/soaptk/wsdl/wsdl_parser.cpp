#include "runtime/soaptk/wsdl/wsdl_parser.h"

#include <map>
#include <optional>
#include <string>

#include "base/common/com_ptr.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/reader/child_elements.h"
#include "runtime/soaptk/wsdl/dom_values.h"
#include "runtime/soaptk/wsdl/schema_set.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kDocumentStyle[] = L"document";
constexpr wchar_t kRpcStyle[] = L"rpc";
constexpr wchar_t kResponseSuffix[] = L"Response";

ElementName Wsdl(std::wstring_view localName) { return {localName, toolkit::kWsdlNamespace}; }
ElementName SoapBinding(std::wstring_view localName) { return {localName, toolkit::kSoapBindingNamespace}; }

ComPtr<IXMLDOMElement> Child(IXMLDOMElement* parent, const ElementName& name)
{
    ComPtr<IXMLDOMElement> child;
    if (parent) FindChildElement(parent, name, &child);
    return child;
}

std::vector<ComPtr<IXMLDOMElement>> Children(IXMLDOMElement* parent, const ElementName& name)
{
    std::vector<ComPtr<IXMLDOMElement>> children;
    if (parent) FindChildElements(parent, name, &children);
    return children;
}

std::wstring DocumentationOf(IXMLDOMElement* element)
{
    const ComPtr<IXMLDOMElement> documentation = Child(element, Wsdl(L"documentation"));
    return documentation ? ElementText(documentation.Get()) : std::wstring();
}

// How a message's parts appear in the body.
struct MessageLayout {
    std::wstring wrapperNamespace;
    std::wstring wrapperElement;  // "" when the parts stand directly in the body
    std::vector<PartDescription> parts;
};

class DefinitionsReader {
public:
    explicit DefinitionsReader(IXMLDOMElement* definitions);

    void Read(WsdlDescription* description) const;

private:
    using Index = std::map<std::wstring, ComPtr<IXMLDOMElement>>;

    Index IndexOf(std::wstring_view kind) const;
    // The definition that `referrer`'s attribute names, or null.
    static ComPtr<IXMLDOMElement> Lookup(const Index& index, IXMLDOMElement* referrer, const wchar_t* attribute);

    ServiceDescription ReadService(IXMLDOMElement* service) const;
    std::optional<PortDescription> ReadPort(IXMLDOMElement* port) const;
    OperationDescription ReadOperation(IXMLDOMElement* bindingOperation, IXMLDOMElement* portType,
                                       const std::wstring& defaultStyle) const;
    void ReadParts(IXMLDOMElement* bindingOperation, IXMLDOMElement* portTypeOperation,
                   OperationDescription* operation) const;
    ComPtr<IXMLDOMElement> MessageOf(IXMLDOMElement* portTypeOperation, std::wstring_view direction) const;
    PartDescription PartOfMessage(IXMLDOMElement* part) const;
    MessageLayout RpcLayout(IXMLDOMElement* message, const std::wstring& element, IXMLDOMElement* body) const;
    MessageLayout DocumentLayout(IXMLDOMElement* message) const;

    ComPtr<IXMLDOMElement> definitions_;
    std::wstring targetNamespace_;
    SchemaSet schemas_;
    Index messages_;
    Index portTypes_;
    Index bindings_;
};

DefinitionsReader::DefinitionsReader(IXMLDOMElement* definitions)
    : definitions_(definitions), targetNamespace_(AttributeText(definitions, L"targetNamespace")),
      schemas_(SchemaSet::Of(definitions)), messages_(IndexOf(L"message")), portTypes_(IndexOf(L"portType")),
      bindings_(IndexOf(L"binding"))
{
}

DefinitionsReader::Index DefinitionsReader::IndexOf(std::wstring_view kind) const
{
    Index index;
    for (const ComPtr<IXMLDOMElement>& definition : Children(definitions_.Get(), Wsdl(kind)))
        index.emplace(QualifiedName{targetNamespace_, AttributeText(definition.Get(), L"name")}.Key(), definition);
    return index;
}

ComPtr<IXMLDOMElement> DefinitionsReader::Lookup(const Index& index, IXMLDOMElement* referrer, const wchar_t* attribute)
{
    const std::optional<QualifiedName> name = referrer ? QualifiedAttribute(referrer, attribute) : std::nullopt;
    if (!name) return nullptr;
    const auto found = index.find(name->Key());
    return found == index.end() ? nullptr : found->second;
}

void DefinitionsReader::Read(WsdlDescription* description) const
{
    for (const ComPtr<IXMLDOMElement>& service : Children(definitions_.Get(), Wsdl(L"service")))
        description->services.push_back(ReadService(service.Get()));
}

ServiceDescription DefinitionsReader::ReadService(IXMLDOMElement* service) const
{
    ServiceDescription description{AttributeText(service, L"name"), DocumentationOf(service), {}};
    for (const ComPtr<IXMLDOMElement>& port : Children(service, Wsdl(L"port")))
        if (std::optional<PortDescription> soapPort = ReadPort(port.Get()))
            description.ports.push_back(std::move(*soapPort));
    return description;
}

// A port counts when it has a SOAP 1.1 address and its binding is a SOAP 1.1
// binding of a port type the document defines.
std::optional<PortDescription> DefinitionsReader::ReadPort(IXMLDOMElement* port) const
{
    const ComPtr<IXMLDOMElement> address = Child(port, SoapBinding(L"address"));
    const ComPtr<IXMLDOMElement> binding = Lookup(bindings_, port, L"binding");
    const ComPtr<IXMLDOMElement> soapBinding = Child(binding.Get(), SoapBinding(L"binding"));
    const ComPtr<IXMLDOMElement> portType = Lookup(portTypes_, binding.Get(), L"type");
    if (!address || !soapBinding || !portType) return std::nullopt;

    PortDescription description;
    description.name = AttributeText(port, L"name");
    description.address = AttributeText(address.Get(), L"location");
    description.bindStyle = AttributeOf(soapBinding.Get(), L"style").value_or(kDocumentStyle);
    description.transport = AttributeText(soapBinding.Get(), L"transport");
    description.documentation = DocumentationOf(port);
    for (const ComPtr<IXMLDOMElement>& operation : Children(binding.Get(), Wsdl(L"operation")))
        description.operations.push_back(ReadOperation(operation.Get(), portType.Get(), description.bindStyle));
    return description;
}

OperationDescription DefinitionsReader::ReadOperation(IXMLDOMElement* bindingOperation, IXMLDOMElement* portType,
                                                      const std::wstring& defaultStyle) const
{
    OperationDescription operation;
    operation.name = AttributeText(bindingOperation, L"name");
    const ComPtr<IXMLDOMElement> soapOperation = Child(bindingOperation, SoapBinding(L"operation"));
    if (soapOperation) {
        operation.soapAction = AttributeText(soapOperation.Get(), L"soapAction");
        operation.style = AttributeText(soapOperation.Get(), L"style");
    }
    if (operation.style.empty()) operation.style = defaultStyle;

    ComPtr<IXMLDOMElement> portTypeOperation;
    for (const ComPtr<IXMLDOMElement>& candidate : Children(portType, Wsdl(L"operation"))) {
        if (AttributeText(candidate.Get(), L"name") == operation.name) {
            portTypeOperation = candidate;
            break;
        }
    }
    operation.documentation = DocumentationOf(portTypeOperation ? portTypeOperation.Get() : bindingOperation);
    ReadParts(bindingOperation, portTypeOperation.Get(), &operation);
    return operation;
}

ComPtr<IXMLDOMElement> DefinitionsReader::MessageOf(IXMLDOMElement* portTypeOperation,
                                                    std::wstring_view direction) const
{
    return Lookup(messages_, Child(portTypeOperation, Wsdl(direction)).Get(), L"message");
}

void DefinitionsReader::ReadParts(IXMLDOMElement* bindingOperation, IXMLDOMElement* portTypeOperation,
                                  OperationDescription* operation) const
{
    const ComPtr<IXMLDOMElement> inputBody = Child(Child(bindingOperation, Wsdl(L"input")).Get(), SoapBinding(L"body"));
    const ComPtr<IXMLDOMElement> outputBody =
        Child(Child(bindingOperation, Wsdl(L"output")).Get(), SoapBinding(L"body"));
    operation->encoded = inputBody && AttributeText(inputBody.Get(), L"use") == L"encoded";

    const ComPtr<IXMLDOMElement> input = MessageOf(portTypeOperation, L"input");
    const ComPtr<IXMLDOMElement> output = MessageOf(portTypeOperation, L"output");
    const bool rpc = operation->style == kRpcStyle;
    MessageLayout in = rpc ? RpcLayout(input.Get(), operation->name, inputBody.Get()) : DocumentLayout(input.Get());
    MessageLayout out = rpc ? RpcLayout(output.Get(), operation->name + kResponseSuffix, outputBody.Get())
                            : DocumentLayout(output.Get());

    operation->inputNamespace = std::move(in.wrapperNamespace);
    operation->inputElement = std::move(in.wrapperElement);
    operation->outputNamespace = std::move(out.wrapperNamespace);
    operation->outputElement = std::move(out.wrapperElement);
    operation->inputs = std::move(in.parts);
    for (size_t index = 0; index < operation->inputs.size(); ++index)
        operation->inputs[index].callIndex = static_cast<long>(index + 1);
    if (!out.parts.empty()) {
        operation->hasResult = true;
        operation->result = std::move(out.parts.front());
        operation->result.input = false;
        operation->result.callIndex = -1;
    }
}

// A part typed by `element=` travels as that element; one typed by `type=` as
// an unqualified element named after the part.
PartDescription DefinitionsReader::PartOfMessage(IXMLDOMElement* part) const
{
    PartDescription description;
    description.partName = AttributeText(part, L"name");
    if (const std::optional<QualifiedName> element = QualifiedAttribute(part, L"element")) {
        const DeclaredElement undeclared{element->localName, element->namespaceUri, {}, 1};
        const DeclaredElement declared = schemas_.GlobalElement(*element).value_or(undeclared);
        description.elementName = declared.name;
        description.xmlNamespace = declared.namespaceUri;
        description.typeName = declared.type.name;
        description.variantType = declared.type.variantType;
        return description;
    }
    description.elementName = description.partName;
    if (const std::optional<QualifiedName> type = QualifiedAttribute(part, L"type")) {
        const ValueType declared = schemas_.TypeNamed(*type);
        description.typeName = declared.name;
        description.variantType = declared.variantType;
    }
    return description;
}

MessageLayout DefinitionsReader::RpcLayout(IXMLDOMElement* message, const std::wstring& element,
                                           IXMLDOMElement* body) const
{
    MessageLayout layout{body ? AttributeText(body, L"namespace") : std::wstring(), element, {}};
    for (const ComPtr<IXMLDOMElement>& part : Children(message, Wsdl(L"part")))
        layout.parts.push_back(PartOfMessage(part.Get()));
    return layout;
}

MessageLayout DefinitionsReader::DocumentLayout(IXMLDOMElement* message) const
{
    MessageLayout layout;
    const std::vector<ComPtr<IXMLDOMElement>> parts = Children(message, Wsdl(L"part"));
    const std::optional<QualifiedName> element =
        parts.size() == 1 ? QualifiedAttribute(parts.front().Get(), L"element") : std::nullopt;
    const std::optional<std::vector<DeclaredElement>> children =
        element ? schemas_.WrapperChildren(*element) : std::nullopt;
    if (!children) {
        for (const ComPtr<IXMLDOMElement>& part : parts) layout.parts.push_back(PartOfMessage(part.Get()));
        return layout;
    }
    layout.wrapperNamespace = element->namespaceUri;
    layout.wrapperElement = element->localName;
    for (const DeclaredElement& child : *children) {
        PartDescription part;
        part.partName = part.elementName = child.name;
        part.xmlNamespace = child.namespaceUri;
        part.typeName = child.type.name;
        part.variantType = child.type.variantType;
        part.minOccurs = child.minOccurs;
        layout.parts.push_back(std::move(part));
    }
    return layout;
}

}  // namespace

HRESULT DescribeWsdl(IXMLDOMDocument* document, WsdlDescription* description)
{
    *description = {};
    ComPtr<IXMLDOMElement> root;
    if (FAILED(document->get_documentElement(&root)) || !root || !IsElementNamed(root.Get(), Wsdl(L"definitions")))
        return kNotWsdl;
    DefinitionsReader(root.Get()).Read(description);
    return S_OK;
}

}  // namespace nvx::soaptk
