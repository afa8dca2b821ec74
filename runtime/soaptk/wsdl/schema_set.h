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
#include <string>
#include <vector>

#include "base/common/com_ptr.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/wsdl/dom_values.h"

namespace nvx::soaptk {

struct ValueType {
    std::wstring name;  // local name of the declared type; "" for an anonymous one
    VARTYPE variantType = VT_BSTR;
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
    // Collects every xs:schema under the definitions' wsdl:types. Schemas
    // that import each other by namespace are found among them; schemas
    // named by a schemaLocation elsewhere are not fetched.
    static SchemaSet Of(IXMLDOMElement* definitions);

    // The type a reference names: XML-schema simple types map to their
    // VARIANT type, complex types to VT_DISPATCH, and a type that cannot be
    // found to VT_BSTR (its text is all a client can pass on).
    ValueType TypeNamed(const QualifiedName& type) const;
    // The global element `name`, or nullopt.
    std::optional<DeclaredElement> GlobalElement(const QualifiedName& name) const;
    // The children of global element `name` when it is a wrapper: a complex
    // type whose content is a sequence (or all) of element declarations, or
    // nothing at all. nullopt when it is anything else.
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

    void Add(IXMLDOMElement* schema);
    const Declaration* Find(const Index& index, const QualifiedName& name) const;
    ValueType TypeNamed(const QualifiedName& type, int depth) const;
    ValueType TypeOfDeclaration(IXMLDOMElement* declaration, int depth) const;
    ValueType TypeOfSimpleType(IXMLDOMElement* simpleType, int depth) const;
    // A global declaration's element is always qualified; a local one as
    // its schema or its form attribute says.
    DeclaredElement Describe(IXMLDOMElement* declaration, const Schema& schema, bool global, int depth) const;
    // The complex type of a global element, inline or named.
    std::optional<Declaration> ComplexTypeOf(const Declaration& element) const;

    // Owned by the set; the indexes point into it, so it never moves.
    std::vector<std::unique_ptr<Schema>> schemas_;
    Index elements_;
    Index types_;
};

}  // namespace nvx::soaptk
