#include "runtime/soaptk/wsdl/schema_set.h"

#include <cwchar>

#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/reader/child_elements.h"

namespace nvx::soaptk {
namespace {

// rpc/encoded descriptions type their parts with the encoding's own names
// for the simple types ("soapenc:string"); they mean the schema's types.
// Type references can chain (element to type to base type); a chain this
// long is a loop in the document.
constexpr int kMaxDepth = 32;

struct BuiltinType {
    std::wstring_view name;
    VARTYPE variantType;
};

constexpr BuiltinType kBuiltinTypes[] = {
    {L"int", VT_I4},          {L"long", VT_I8},       {L"short", VT_I2},
    {L"double", VT_R8},       {L"float", VT_R4},      {L"boolean", VT_BOOL},
    {L"decimal", VT_DECIMAL}, {L"dateTime", VT_DATE}, {L"anyType", VT_DISPATCH},
};

ElementName Xsd(std::wstring_view localName) { return {localName, toolkit::kXsdNamespace}; }

ValueType BuiltinNamed(const std::wstring& name)
{
    for (const BuiltinType& builtin : kBuiltinTypes)
        if (builtin.name == name) return {name, builtin.variantType};
    return {name, VT_BSTR};
}

long MinOccursOf(IXMLDOMElement* declaration)
{
    const std::optional<std::wstring> text = AttributeOf(declaration, L"minOccurs");
    if (!text || text->empty() || text->size() > 9) return 1;
    wchar_t* end = nullptr;
    const long value = std::wcstol(text->c_str(), &end, 10);
    return *end == L'\0' && value >= 0 ? value : 1;
}

ComPtr<IXMLDOMElement> XsdChild(IXMLDOMElement* parent, std::wstring_view localName)
{
    ComPtr<IXMLDOMElement> child;
    FindChildElement(parent, Xsd(localName), &child);
    return child;
}

// The particle that holds a complex type's elements: its sequence or all, or
// null for empty content. Sets `*unsuitable` when the content is anything a
// wrapper cannot have.
ComPtr<IXMLDOMElement> ParticleOf(IXMLDOMElement* complexType, bool* unsuitable)
{
    *unsuitable = true;
    std::vector<ComPtr<IXMLDOMElement>> children;
    if (FAILED(FindChildElements(complexType, Xsd(L""), &children))) return nullptr;
    ComPtr<IXMLDOMElement> particle;
    for (const ComPtr<IXMLDOMElement>& child : children) {
        const std::wstring name = LocalNameOf(child.Get());
        if (name == L"annotation" || name == L"attribute" || name == L"anyAttribute" || name == L"attributeGroup")
            continue;
        if ((name != L"sequence" && name != L"all") || particle) return nullptr;
        particle = child;
    }
    *unsuitable = false;
    return particle;
}

}  // namespace

SchemaSet SchemaSet::Of(IXMLDOMElement* definitions)
{
    SchemaSet set;
    ComPtr<IXMLDOMElement> types;
    if (FAILED(FindChildElement(definitions, {L"types", toolkit::kWsdlNamespace}, &types)) || !types) return set;
    std::vector<ComPtr<IXMLDOMElement>> schemas;
    if (FAILED(FindChildElements(types.Get(), Xsd(L"schema"), &schemas))) return set;
    for (const ComPtr<IXMLDOMElement>& schema : schemas) set.Add(schema.Get());
    return set;
}

void SchemaSet::Add(IXMLDOMElement* schemaElement)
{
    auto schema = std::make_unique<Schema>();
    schema->targetNamespace = AttributeText(schemaElement, L"targetNamespace");
    schema->qualifiedElements = AttributeText(schemaElement, L"elementFormDefault") == L"qualified";
    std::vector<ComPtr<IXMLDOMElement>> children;
    if (FAILED(FindChildElements(schemaElement, Xsd(L""), &children))) return;
    for (const ComPtr<IXMLDOMElement>& child : children) {
        const std::wstring kind = LocalNameOf(child.Get());
        Index* index = kind == L"element"                                ? &elements_
                       : kind == L"complexType" || kind == L"simpleType" ? &types_
                                                                         : nullptr;
        const std::optional<std::wstring> name = AttributeOf(child.Get(), L"name");
        if (!index || !name) continue;
        // The first declaration of a name counts, as a validator would refuse
        // the document with a second one anyway.
        index->emplace(QualifiedName{schema->targetNamespace, *name}.Key(), Declaration{child, schema.get()});
    }
    schemas_.push_back(std::move(schema));
}

const SchemaSet::Declaration* SchemaSet::Find(const Index& index, const QualifiedName& name) const
{
    const auto found = index.find(name.Key());
    return found == index.end() ? nullptr : &found->second;
}

ValueType SchemaSet::TypeNamed(const QualifiedName& type) const { return TypeNamed(type, 0); }

ValueType SchemaSet::TypeNamed(const QualifiedName& type, int depth) const
{
    if (type.namespaceUri == toolkit::kXsdNamespace || type.namespaceUri == toolkit::kSoapEncodingNamespace)
        return BuiltinNamed(type.localName);
    const Declaration* declaration = Find(types_, type);
    if (!declaration || depth > kMaxDepth) return {type.localName, VT_BSTR};
    if (LocalNameOf(declaration->element.Get()) == L"complexType") return {type.localName, VT_DISPATCH};
    return {type.localName, TypeOfSimpleType(declaration->element.Get(), depth + 1).variantType};
}

// A simple type is what its restriction's base is; lists and unions travel as
// text.
ValueType SchemaSet::TypeOfSimpleType(IXMLDOMElement* simpleType, int depth) const
{
    const ComPtr<IXMLDOMElement> restriction = XsdChild(simpleType, L"restriction");
    if (!restriction || depth > kMaxDepth) return {L"", VT_BSTR};
    if (const std::optional<QualifiedName> base = QualifiedAttribute(restriction.Get(), L"base"))
        return TypeNamed(*base, depth + 1);
    if (const ComPtr<IXMLDOMElement> inner = XsdChild(restriction.Get(), L"simpleType"))
        return TypeOfSimpleType(inner.Get(), depth + 1);
    return {L"", VT_BSTR};
}

ValueType SchemaSet::TypeOfDeclaration(IXMLDOMElement* declaration, int depth) const
{
    if (const std::optional<QualifiedName> type = QualifiedAttribute(declaration, L"type"))
        return TypeNamed(*type, depth + 1);
    if (XsdChild(declaration, L"complexType")) return {L"", VT_DISPATCH};
    if (const ComPtr<IXMLDOMElement> simpleType = XsdChild(declaration, L"simpleType"))
        return {L"", TypeOfSimpleType(simpleType.Get(), depth + 1).variantType};
    // An element declared without a type holds anything.
    return {L"anyType", VT_DISPATCH};
}

DeclaredElement SchemaSet::Describe(IXMLDOMElement* declaration, const Schema& schema, bool global, int depth) const
{
    const long minOccurs = MinOccursOf(declaration);
    if (const std::optional<QualifiedName> reference = QualifiedAttribute(declaration, L"ref")) {
        const Declaration* target = Find(elements_, *reference);
        if (!target || depth > kMaxDepth) return {reference->localName, reference->namespaceUri, {}, minOccurs};
        DeclaredElement element = Describe(target->element.Get(), *target->schema, true, depth + 1);
        element.minOccurs = minOccurs;
        return element;
    }
    const std::optional<std::wstring> form = AttributeOf(declaration, L"form");
    const bool qualified = global || (form ? *form == L"qualified" : schema.qualifiedElements);
    return {AttributeText(declaration, L"name"), qualified ? schema.targetNamespace : std::wstring(),
            TypeOfDeclaration(declaration, depth), minOccurs};
}

std::optional<DeclaredElement> SchemaSet::GlobalElement(const QualifiedName& name) const
{
    const Declaration* declaration = Find(elements_, name);
    if (!declaration) return std::nullopt;
    return Describe(declaration->element.Get(), *declaration->schema, true, 0);
}

std::optional<SchemaSet::Declaration> SchemaSet::ComplexTypeOf(const Declaration& element) const
{
    if (ComPtr<IXMLDOMElement> anonymous = XsdChild(element.element.Get(), L"complexType"))
        return Declaration{std::move(anonymous), element.schema};
    const std::optional<QualifiedName> type = QualifiedAttribute(element.element.Get(), L"type");
    const Declaration* named = type ? Find(types_, *type) : nullptr;
    if (!named || LocalNameOf(named->element.Get()) != L"complexType") return std::nullopt;
    return *named;
}

std::optional<std::vector<DeclaredElement>> SchemaSet::WrapperChildren(const QualifiedName& name) const
{
    const Declaration* element = Find(elements_, name);
    const std::optional<Declaration> complexType = element ? ComplexTypeOf(*element) : std::nullopt;
    if (!complexType) return std::nullopt;
    bool unsuitable = false;
    const ComPtr<IXMLDOMElement> particle = ParticleOf(complexType->element.Get(), &unsuitable);
    if (unsuitable) return std::nullopt;
    std::vector<DeclaredElement> children;
    if (!particle) return children;
    std::vector<ComPtr<IXMLDOMElement>> members;
    if (FAILED(FindChildElements(particle.Get(), Xsd(L""), &members))) return std::nullopt;
    for (const ComPtr<IXMLDOMElement>& member : members) {
        const std::wstring kind = LocalNameOf(member.Get());
        if (kind == L"annotation") continue;
        if (kind != L"element") return std::nullopt;
        children.push_back(Describe(member.Get(), *complexType->schema, false, 0));
    }
    return children;
}

}  // namespace nvx::soaptk
