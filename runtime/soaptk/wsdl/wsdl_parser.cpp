#include "runtime/soaptk/wsdl/wsdl_parser.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <sstream>
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

// The binding namespaces a SOAP port is described in, the preferred first.
constexpr const wchar_t* kSoapBindings[] = {toolkit::kSoapBindingNamespace, toolkit::kSoap12BindingNamespace};

ElementName Wsdl(std::wstring_view localName) { return {localName, toolkit::kWsdlNamespace}; }

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

// The part names a soap:body lists in its parts attribute; nullopt when it
// lists none (all of the message's parts are in the body).
using PartFilter = std::optional<std::set<std::wstring>>;

PartFilter PartsListedBy(IXMLDOMElement* body)
{
    const std::optional<std::wstring> list = body ? AttributeOf(body, L"parts") : std::nullopt;
    if (!list) return std::nullopt;
    std::set<std::wstring> names;
    std::wistringstream words(*list);
    for (std::wstring name; words >> name;) names.insert(name);
    return names;
}

// The SOAP binding elements (soap:body, soap:operation...) of one binding.
class BindingVocabulary {
public:
    explicit BindingVocabulary(const wchar_t* bindingNamespace) : namespace_(bindingNamespace) {}
    ElementName Named(std::wstring_view localName) const { return {localName, namespace_}; }
    bool Soap12() const { return std::wstring_view(namespace_) == toolkit::kSoap12BindingNamespace; }

private:
    const wchar_t* namespace_;
};

class DefinitionsReader {
public:
    explicit DefinitionsReader(std::span<const SourceDocument> documents);

    void Read(WsdlDescription* description) const;

private:
    using Index = std::map<std::wstring, ComPtr<IXMLDOMElement>>;

    void AddToIndex(std::wstring_view kind, const std::wstring& targetNamespace, IXMLDOMElement* definitions,
                    Index* index) const;
    // The definition that `referrer`'s attribute names, or null.
    static ComPtr<IXMLDOMElement> Lookup(const Index& index, IXMLDOMElement* referrer, const wchar_t* attribute);

    ServiceDescription ReadService(IXMLDOMElement* service) const;
    std::optional<PortDescription> ReadPort(IXMLDOMElement* port) const;
    OperationDescription ReadOperation(IXMLDOMElement* bindingOperation, IXMLDOMElement* portType,
                                       const std::wstring& defaultStyle, const BindingVocabulary& soap) const;
    void ReadParts(IXMLDOMElement* bindingOperation, IXMLDOMElement* portTypeOperation, const BindingVocabulary& soap,
                   OperationDescription* operation) const;
    std::vector<PartDescription> HeaderParts(IXMLDOMElement* bindingInput, const BindingVocabulary& soap) const;
    PartFilter BodyParts(IXMLDOMElement* message, IXMLDOMElement* body, IXMLDOMElement* bindingInput,
                         const BindingVocabulary& soap) const;
    ComPtr<IXMLDOMElement> MessageOf(IXMLDOMElement* portTypeOperation, std::wstring_view direction) const;
    std::vector<ComPtr<IXMLDOMElement>> PartsOf(IXMLDOMElement* message, const PartFilter& filter) const;
    PartDescription PartOfMessage(IXMLDOMElement* part) const;
    MessageLayout RpcLayout(IXMLDOMElement* message, const std::wstring& element, IXMLDOMElement* body,
                            const PartFilter& parts) const;
    MessageLayout DocumentLayout(IXMLDOMElement* message, const PartFilter& parts) const;

    std::vector<ComPtr<IXMLDOMElement>> definitions_;  // the first WSDL's own, then the imported ones
    SchemaSet schemas_;
    Index messages_;
    Index portTypes_;
    Index bindings_;
};

DefinitionsReader::DefinitionsReader(std::span<const SourceDocument> documents) : schemas_(SchemaSet::Of(documents))
{
    for (const SourceDocument& document : documents) {
        if (!IsElementNamed(document.root.Get(), Wsdl(L"definitions"))) continue;
        IXMLDOMElement* definitions = document.root.Get();
        const std::wstring targetNamespace = AttributeText(definitions, L"targetNamespace");
        AddToIndex(L"message", targetNamespace, definitions, &messages_);
        AddToIndex(L"portType", targetNamespace, definitions, &portTypes_);
        AddToIndex(L"binding", targetNamespace, definitions, &bindings_);
        definitions_.push_back(document.root);
    }
}

// The first definition of a name counts, as in a single document.
void DefinitionsReader::AddToIndex(std::wstring_view kind, const std::wstring& targetNamespace,
                                   IXMLDOMElement* definitions, Index* index) const
{
    for (const ComPtr<IXMLDOMElement>& definition : Children(definitions, Wsdl(kind)))
        index->emplace(QualifiedName{targetNamespace, AttributeText(definition.Get(), L"name")}.Key(), definition);
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
    for (const ComPtr<IXMLDOMElement>& definitions : definitions_)
        for (const ComPtr<IXMLDOMElement>& service : Children(definitions.Get(), Wsdl(L"service")))
            description->services.push_back(ReadService(service.Get()));
}

// A service that offers SOAP 1.1 is called with it, as every SOAP stack speaks
// it; its SOAP 1.2 ports are offered only when it has no other.
ServiceDescription DefinitionsReader::ReadService(IXMLDOMElement* service) const
{
    ServiceDescription description{AttributeText(service, L"name"), DocumentationOf(service), {}};
    for (const ComPtr<IXMLDOMElement>& port : Children(service, Wsdl(L"port")))
        if (std::optional<PortDescription> soapPort = ReadPort(port.Get()))
            description.ports.push_back(std::move(*soapPort));
    const bool soap11 = std::any_of(description.ports.begin(), description.ports.end(),
                                    [](const PortDescription& port) { return !port.soap12; });
    if (soap11) std::erase_if(description.ports, [](const PortDescription& port) { return port.soap12; });
    return description;
}

// A port counts when it has a SOAP address and its binding is a SOAP binding
// (of the same version) of a port type the description defines.
std::optional<PortDescription> DefinitionsReader::ReadPort(IXMLDOMElement* port) const
{
    const ComPtr<IXMLDOMElement> binding = Lookup(bindings_, port, L"binding");
    const ComPtr<IXMLDOMElement> portType = Lookup(portTypes_, binding.Get(), L"type");
    for (const wchar_t* bindingNamespace : kSoapBindings) {
        const BindingVocabulary soap(bindingNamespace);
        const ComPtr<IXMLDOMElement> address = Child(port, soap.Named(L"address"));
        const ComPtr<IXMLDOMElement> soapBinding = Child(binding.Get(), soap.Named(L"binding"));
        if (!address || !soapBinding || !portType) continue;

        PortDescription description;
        description.name = AttributeText(port, L"name");
        description.address = AttributeText(address.Get(), L"location");
        description.bindStyle = AttributeOf(soapBinding.Get(), L"style").value_or(kDocumentStyle);
        description.transport = AttributeText(soapBinding.Get(), L"transport");
        description.documentation = DocumentationOf(port);
        description.soap12 = soap.Soap12();
        for (const ComPtr<IXMLDOMElement>& operation : Children(binding.Get(), Wsdl(L"operation")))
            description.operations.push_back(
                ReadOperation(operation.Get(), portType.Get(), description.bindStyle, soap));
        return description;
    }
    return std::nullopt;
}

OperationDescription DefinitionsReader::ReadOperation(IXMLDOMElement* bindingOperation, IXMLDOMElement* portType,
                                                      const std::wstring& defaultStyle,
                                                      const BindingVocabulary& soap) const
{
    OperationDescription operation;
    operation.name = AttributeText(bindingOperation, L"name");
    operation.soap12 = soap.Soap12();
    const ComPtr<IXMLDOMElement> soapOperation = Child(bindingOperation, soap.Named(L"operation"));
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
    ReadParts(bindingOperation, portTypeOperation.Get(), soap, &operation);
    return operation;
}

void DefinitionsReader::ReadParts(IXMLDOMElement* bindingOperation, IXMLDOMElement* portTypeOperation,
                                  const BindingVocabulary& soap, OperationDescription* operation) const
{
    const ComPtr<IXMLDOMElement> bindingInput = Child(bindingOperation, Wsdl(L"input"));
    const ComPtr<IXMLDOMElement> inputBody = Child(bindingInput.Get(), soap.Named(L"body"));
    const ComPtr<IXMLDOMElement> outputBody =
        Child(Child(bindingOperation, Wsdl(L"output")).Get(), soap.Named(L"body"));
    operation->encoded = inputBody && AttributeText(inputBody.Get(), L"use") == L"encoded";

    const ComPtr<IXMLDOMElement> input = MessageOf(portTypeOperation, L"input");
    const ComPtr<IXMLDOMElement> output = MessageOf(portTypeOperation, L"output");
    const bool rpc = operation->style == kRpcStyle;
    std::vector<PartDescription> headers = HeaderParts(bindingInput.Get(), soap);
    const PartFilter inputParts = BodyParts(input.Get(), inputBody.Get(), bindingInput.Get(), soap);
    const PartFilter outputParts = PartsListedBy(outputBody.Get());
    MessageLayout in = rpc ? RpcLayout(input.Get(), operation->name, inputBody.Get(), inputParts)
                           : DocumentLayout(input.Get(), inputParts);
    MessageLayout out = rpc ? RpcLayout(output.Get(), operation->name + kResponseSuffix, outputBody.Get(), outputParts)
                            : DocumentLayout(output.Get(), outputParts);

    operation->inputNamespace = std::move(in.wrapperNamespace);
    operation->inputElement = std::move(in.wrapperElement);
    operation->outputNamespace = std::move(out.wrapperNamespace);
    operation->outputElement = std::move(out.wrapperElement);
    operation->inputs = std::move(in.parts);
    for (PartDescription& header : headers) operation->inputs.push_back(std::move(header));
    for (size_t index = 0; index < operation->inputs.size(); ++index)
        operation->inputs[index].callIndex = static_cast<long>(index + 1);
    if (!out.parts.empty()) {
        operation->hasResult = true;
        operation->result = std::move(out.parts.front());
        operation->result.input = false;
        operation->result.callIndex = -1;
    }
}

// The parts of the input's body: those its parts attribute lists, or else
// every part of the message that no soap:header of the input takes.
PartFilter DefinitionsReader::BodyParts(IXMLDOMElement* message, IXMLDOMElement* body, IXMLDOMElement* bindingInput,
                                        const BindingVocabulary& soap) const
{
    if (PartFilter listed = PartsListedBy(body)) return listed;
    std::set<std::wstring> names;
    for (const ComPtr<IXMLDOMElement>& part : PartsOf(message, std::nullopt))
        names.insert(AttributeText(part.Get(), L"name"));
    for (const ComPtr<IXMLDOMElement>& header : Children(bindingInput, soap.Named(L"header")))
        if (Lookup(messages_, header.Get(), L"message") == ComPtr<IXMLDOMElement>(message))
            names.erase(AttributeText(header.Get(), L"part"));
    return names;
}

// The parts that soap:header entries of the input name: each travels as its
// element in the SOAP header, and the caller passes it like any argument.
std::vector<PartDescription> DefinitionsReader::HeaderParts(IXMLDOMElement* bindingInput,
                                                            const BindingVocabulary& soap) const
{
    std::vector<PartDescription> headers;
    for (const ComPtr<IXMLDOMElement>& header : Children(bindingInput, soap.Named(L"header"))) {
        const ComPtr<IXMLDOMElement> message = Lookup(messages_, header.Get(), L"message");
        const PartFilter wanted = std::set<std::wstring>{AttributeText(header.Get(), L"part")};
        for (const ComPtr<IXMLDOMElement>& part : PartsOf(message.Get(), wanted)) {
            PartDescription description = PartOfMessage(part.Get());
            description.header = true;
            headers.push_back(std::move(description));
        }
    }
    return headers;
}

ComPtr<IXMLDOMElement> DefinitionsReader::MessageOf(IXMLDOMElement* portTypeOperation,
                                                    std::wstring_view direction) const
{
    return Lookup(messages_, Child(portTypeOperation, Wsdl(direction)).Get(), L"message");
}

std::vector<ComPtr<IXMLDOMElement>> DefinitionsReader::PartsOf(IXMLDOMElement* message, const PartFilter& filter) const
{
    std::vector<ComPtr<IXMLDOMElement>> parts = Children(message, Wsdl(L"part"));
    if (filter)
        std::erase_if(parts, [&](const ComPtr<IXMLDOMElement>& part) {
            return !filter->contains(AttributeText(part.Get(), L"name"));
        });
    return parts;
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
        description.memberNamespace = declared.type.memberNamespace;
        return description;
    }
    description.elementName = description.partName;
    if (const std::optional<QualifiedName> type = QualifiedAttribute(part, L"type")) {
        const ValueType declared = schemas_.TypeNamed(*type);
        description.typeName = declared.name;
        description.variantType = declared.variantType;
        description.memberNamespace = declared.memberNamespace;
    }
    return description;
}

MessageLayout DefinitionsReader::RpcLayout(IXMLDOMElement* message, const std::wstring& element, IXMLDOMElement* body,
                                           const PartFilter& parts) const
{
    MessageLayout layout{body ? AttributeText(body, L"namespace") : std::wstring(), element, {}};
    for (const ComPtr<IXMLDOMElement>& part : PartsOf(message, parts))
        layout.parts.push_back(PartOfMessage(part.Get()));
    return layout;
}

MessageLayout DefinitionsReader::DocumentLayout(IXMLDOMElement* message, const PartFilter& bodyParts) const
{
    MessageLayout layout;
    const std::vector<ComPtr<IXMLDOMElement>> parts = PartsOf(message, bodyParts);
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
        part.memberNamespace = child.type.memberNamespace;
        part.minOccurs = child.minOccurs;
        layout.parts.push_back(std::move(part));
    }
    return layout;
}

}  // namespace

HRESULT DescribeWsdl(std::span<const SourceDocument> documents, WsdlDescription* description)
{
    *description = {};
    if (documents.empty() || !IsElementNamed(documents.front().root.Get(), Wsdl(L"definitions"))) return kNotWsdl;
    DefinitionsReader(documents).Read(description);
    return S_OK;
}

}  // namespace nvx::soaptk
