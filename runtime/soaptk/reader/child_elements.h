#pragma once
// Finding the parts of a SOAP message among the children of an element.
#include <windows.h>
#include "base/common/msxml.h"

#include <optional>
#include <string_view>
#include <vector>

#include "base/common/com_ptr.h"

namespace nvx::soaptk {

// What a child element must be called. An empty local name matches any; a
// namespace of nullopt matches any, "" only no namespace.
struct ElementName {
    std::wstring_view localName;
    std::optional<std::wstring_view> namespaceUri;
};

// The first element child of `parent` that matches, or null.
HRESULT FindChildElement(IXMLDOMNode* parent, const ElementName& name, ComPtr<IXMLDOMElement>* element);

// Every element child of `parent` that matches, in document order.
HRESULT FindChildElements(IXMLDOMNode* parent, const ElementName& name, std::vector<ComPtr<IXMLDOMElement>>* elements);

// Whether `node` is an element that matches.
bool IsElementNamed(IXMLDOMNode* node, const ElementName& name);

}  // namespace nvx::soaptk
