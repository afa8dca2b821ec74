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
    {L"int", VT_I4},           {L"long", VT_I8},          {L"short", VT_I2},        {L"double", VT_R8},
    {L"float", VT_R4},         {L"boolean", VT_BOOL},     {L"decimal", VT_DECIMAL}, {L"dateTime", VT_DATE},
    {L"anyType", VT_DISPATCH}, {L"timeInstant", VT_DATE},  // the 1999 name of dateTime
};

ValueType BuiltinNamed(const std::wstring& name)
{
    for (const BuiltinType& builtin : kBuiltinTypes)
        if (builtin.name == name) return {name, builtin.variantType, {}};
    return {name, VT_BSTR, {}};
}

long MinOccursOf(IXMLDOMElement* declaration)
{
    const std::optional<std::wstring> text = AttributeOf(declaration, L"minOccurs");
    if (!text || text->empty() || text->size() > 9) return 1;
    wchar_t* end = nullptr;
    const long value = std::wcstol(text->c_str(), &end, 10);
    return *end == L'\0' && value >= 0 ? value : 1;
}

// The particle that holds a complex type's elements: its sequence or all, or
// null for empty content. Sets `*unsuitable` when the content is anything a
// wrapper cannot have.
ComPtr<IXMLDOMElement> ParticleOf(IXMLDOMElement* complexType, bool* unsuitable)
{
    *unsuitable = true;
    ComPtr<IXMLDOMElement> particle;
    for (const ComPtr<IXMLDOMElement>& child : XsdChildren(complexType, L"")) {
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

SchemaSet SchemaSet::Of(std::span<const SourceDocument> documents)
{
    SchemaSet set;
    for (const SourceDocument& document : documents) {
        if (IsXsdElement(document.root.Get(), L"schema")) {
            set.Add(document.root.Get(), document.includedInto);
            continue;
        }
        ComPtr<IXMLDOMElement> types;
        if (FAILED(FindChildElement(document.root.Get(), {L"types", toolkit::kWsdlNamespace}, &types)) || !types)
            continue;
        for (const ComPtr<IXMLDOMElement>& schema : XsdChildren(types.Get(), L"schema")) set.Add(schema.Get(), {});
    }
    return set;
}

void SchemaSet::Add(IXMLDOMElement* schemaElement, const std::wstring& includedInto)
{
    auto schema = std::make_unique<Schema>();
    schema->targetNamespace = AttributeOf(schemaElement, L"targetNamespace").value_or(includedInto);
    schema->qualifiedElements = AttributeText(schemaElement, L"elementFormDefault") == L"qualified";
    for (const ComPtr<IXMLDOMElement>& child : XsdChildren(schemaElement, L"")) {
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
    if (toolkit::IsXsdNamespace(type.namespaceUri) || type.namespaceUri == toolkit::kSoapEncodingNamespace)
        return BuiltinNamed(type.localName);
    const Declaration* declaration = Find(types_, type);
    // type="float" where no default namespace is declared (descriptions
    // copied from the WSDL note's examples without its xmlns) means the
    // schema's float: no schema here declares a type of that name.
    if (!declaration && type.namespaceUri.empty()) return BuiltinNamed(type.localName);
    if (!declaration || depth > kMaxDepth) return {type.localName, VT_BSTR, {}};
    if (LocalNameOf(declaration->element.Get()) == L"complexType")
        return ComplexValueType(type.localName, *declaration->schema);
    return {type.localName, TypeOfSimpleType(declaration->element.Get(), depth + 1).variantType, {}};
}

ValueType SchemaSet::ComplexValueType(const std::wstring& name, const Schema& schema) const
{
    return {name, VT_DISPATCH, schema.qualifiedElements ? schema.targetNamespace : std::wstring()};
}

// A simple type is what its restriction's base is; lists and unions travel as
// text.
ValueType SchemaSet::TypeOfSimpleType(IXMLDOMElement* simpleType, int depth) const
{
    const ComPtr<IXMLDOMElement> restriction = XsdChild(simpleType, L"restriction");
    if (!restriction || depth > kMaxDepth) return {L"", VT_BSTR, {}};
    if (const std::optional<QualifiedName> base = QualifiedAttribute(restriction.Get(), L"base"))
        return TypeNamed(*base, depth + 1);
    if (const ComPtr<IXMLDOMElement> inner = XsdChild(restriction.Get(), L"simpleType"))
        return TypeOfSimpleType(inner.Get(), depth + 1);
    return {L"", VT_BSTR, {}};
}

ValueType SchemaSet::TypeOfDeclaration(IXMLDOMElement* declaration, const Schema& schema, int depth) const
{
    if (const std::optional<QualifiedName> type = QualifiedAttribute(declaration, L"type"))
        return TypeNamed(*type, depth + 1);
    if (XsdChild(declaration, L"complexType")) return ComplexValueType(L"", schema);
    if (const ComPtr<IXMLDOMElement> simpleType = XsdChild(declaration, L"simpleType"))
        return {L"", TypeOfSimpleType(simpleType.Get(), depth + 1).variantType, {}};
    // An element declared without a type holds anything.
    return {L"anyType", VT_DISPATCH, {}};
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
            TypeOfDeclaration(declaration, schema, depth), minOccurs};
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

bool SchemaSet::AppendMembers(const Declaration& complexType, int depth, std::vector<DeclaredElement>* members) const
{
    if (depth > kMaxDepth) return false;
    IXMLDOMElement* content = complexType.element.Get();
    if (const ComPtr<IXMLDOMElement> complexContent = XsdChild(content, L"complexContent")) {
        const ComPtr<IXMLDOMElement> extension = XsdChild(complexContent.Get(), L"extension");
        const std::optional<QualifiedName> base =
            extension ? QualifiedAttribute(extension.Get(), L"base") : std::nullopt;
        const Declaration* baseType = base ? Find(types_, *base) : nullptr;
        if (!baseType || LocalNameOf(baseType->element.Get()) != L"complexType" ||
            !AppendMembers(*baseType, depth + 1, members))
            return false;
        return AppendMembers({extension, complexType.schema}, depth + 1, members);
    }
    bool unsuitable = false;
    const ComPtr<IXMLDOMElement> particle = ParticleOf(content, &unsuitable);
    if (unsuitable) return false;
    if (!particle) return true;
    for (const ComPtr<IXMLDOMElement>& member : XsdChildren(particle.Get(), L"")) {
        const std::wstring kind = LocalNameOf(member.Get());
        if (kind == L"annotation") continue;
        if (kind != L"element") return false;
        members->push_back(Describe(member.Get(), *complexType.schema, false, 0));
    }
    return true;
}

std::optional<std::vector<DeclaredElement>> SchemaSet::WrapperChildren(const QualifiedName& name) const
{
    const Declaration* element = Find(elements_, name);
    const std::optional<Declaration> complexType = element ? ComplexTypeOf(*element) : std::nullopt;
    if (!complexType) return std::nullopt;
    std::vector<DeclaredElement> children;
    if (!AppendMembers(*complexType, 0, &children)) return std::nullopt;
    return children;
}

}  // namespace nvx::soaptk
