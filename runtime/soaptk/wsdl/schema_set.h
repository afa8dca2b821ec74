#pragma once
// The XML schemas inside a WSDL's <types>, indexed by qualified name, and
// what their declarations mean for a SOAP client: the VARIANT type of a
// value, and the children of a wrapper element.
#include <windows.h>
#include <oleauto.h>
#include "base/common/msxml.h"

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/common/com_ptr.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/wsdl/document_set.h"
#include "runtime/soaptk/wsdl/dom_values.h"

namespace nvx::soaptk {

struct ValueType {
    std::wstring name;  // local name of the declared type; "" for an anonymous one
    VARTYPE variantType = VT_BSTR;
    // For a complex type: the namespace its local elements take ("" when
    // unqualified).
    std::wstring memberNamespace;
};

// An element declaration as a client writes and reads it.
struct DeclaredElement {
    std::wstring name;
    std::wstring namespaceUri;  // "" when the element is unqualified
    ValueType type;
    long minOccurs = 1;
};

class SchemaSet {
public:
    // Collects every schema of the description: those in the wsdl:types of
    // each WSDL document, and the schema documents they import or include.
    // XML Schema's namespaces of 1999 and 2000 count as today's.
    static SchemaSet Of(std::span<const SourceDocument> documents);

    // The type a reference names: XML-schema simple types map to their
    // VARIANT type, complex types to VT_DISPATCH, and a type that cannot be
    // found to VT_BSTR (its text is all a client can pass on).
    ValueType TypeNamed(const QualifiedName& type) const;
    // The global element `name`, or nullopt.
    std::optional<DeclaredElement> GlobalElement(const QualifiedName& name) const;
    // The children of global element `name` when it is a wrapper: a complex
    // type whose content is a sequence (or all) of element declarations, or
    // nothing at all, or such a type extended (complexContent/extension) by
    // another sequence. nullopt when it is anything else.
    std::optional<std::vector<DeclaredElement>> WrapperChildren(const QualifiedName& name) const;

private:
    struct Schema {
        std::wstring targetNamespace;
        bool qualifiedElements = false;  // elementFormDefault="qualified"
    };
    struct Declaration {
        ComPtr<IXMLDOMElement> element;
        const Schema* schema = nullptr;
    };
    using Index = std::map<std::wstring, Declaration>;

    // `includedInto` is the target namespace of a schema without its own.
    void Add(IXMLDOMElement* schema, const std::wstring& includedInto);
    const Declaration* Find(const Index& index, const QualifiedName& name) const;
    ValueType TypeNamed(const QualifiedName& type, int depth) const;
    ValueType TypeOfDeclaration(IXMLDOMElement* declaration, const Schema& schema, int depth) const;
    ValueType TypeOfSimpleType(IXMLDOMElement* simpleType, int depth) const;
    // A global declaration's element is always qualified; a local one as
    // its schema or its form attribute says.
    DeclaredElement Describe(IXMLDOMElement* declaration, const Schema& schema, bool global, int depth) const;
    // The complex type of a global element, inline or named.
    std::optional<Declaration> ComplexTypeOf(const Declaration& element) const;
    // Appends the element declarations of a complex type's content, those of
    // the types it extends first; false when the content is no plain list of
    // elements.
    bool AppendMembers(const Declaration& complexType, int depth, std::vector<DeclaredElement>* members) const;
    ValueType ComplexValueType(const std::wstring& name, const Schema& schema) const;

    // Owned by the set; the indexes point into it, so it never moves.
    std::vector<std::unique_ptr<Schema>> schemas_;
    Index elements_;
    Index types_;
};

}  // namespace nvx::soaptk
