#pragma once
// Values read from the elements of a parsed WSDL: attributes, text, and the
// qualified names that attributes like type="tns:Add" carry.
#include <windows.h>
#include "base/common/msxml.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/common/com_ptr.h"

namespace nvx::soaptk {

struct QualifiedName {
    std::wstring namespaceUri;
    std::wstring localName;

    bool operator==(const QualifiedName&) const = default;
    // "{namespace}local", a key for maps.
    std::wstring Key() const { return L"{" + namespaceUri + L"}" + localName; }
};

// The attribute's value, or nullopt when the element does not carry it.
std::optional<std::wstring> AttributeOf(IXMLDOMElement* element, const wchar_t* name);
// The attribute's value, or "" when absent.
std::wstring AttributeText(IXMLDOMElement* element, const wchar_t* name);
// The element's name without its prefix.
std::wstring LocalNameOf(IXMLDOMElement* element);
// The text content of the element, descendants included.
std::wstring ElementText(IXMLDOMElement* element);

// The element children of `parent` that are XML Schema's (in any of its
// namespaces) and named `localName` ("" for any), in document order.
std::vector<ComPtr<IXMLDOMElement>> XsdChildren(IXMLDOMNode* parent, std::wstring_view localName);
// The first of them, or null.
ComPtr<IXMLDOMElement> XsdChild(IXMLDOMNode* parent, std::wstring_view localName);
// Whether `element` is XML Schema's `localName`.
bool IsXsdElement(IXMLDOMElement* element, std::wstring_view localName);

// Resolves "prefix:local" (or "local", in the default namespace) through the
// namespace declarations in scope at `context`. nullopt when the prefix is
// not declared or the value is no qualified name.
std::optional<QualifiedName> ResolveQualifiedName(IXMLDOMElement* context, std::wstring_view value);

// The qualified name an attribute of `element` holds, or nullopt when it is
// absent or does not resolve.
std::optional<QualifiedName> QualifiedAttribute(IXMLDOMElement* element, const wchar_t* name);

}  // namespace nvx::soaptk
