#include "reader/child_elements.h"

#include "common/bstr.h"

namespace nvx::soaptk {

bool IsElementNamed(IXMLDOMNode* node, const ElementName& name)
{
    DOMNodeType type = NODE_INVALID;
    if (FAILED(node->get_nodeType(&type)) || type != NODE_ELEMENT) return false;
    if (!name.localName.empty()) {
        Bstr localName;
        if (FAILED(node->get_baseName(localName.Put())) || localName.View() != name.localName) return false;
    }
    if (name.namespaceUri) {
        Bstr uri;
        if (FAILED(node->get_namespaceURI(uri.Put())) || uri.View() != *name.namespaceUri) return false;
    }
    return true;
}

HRESULT FindChildElement(IXMLDOMNode* parent, const ElementName& name, ComPtr<IXMLDOMElement>* element)
{
    element->Reset();
    ComPtr<IXMLDOMNode> child;
    HRESULT hr = parent->get_firstChild(&child);
    // The walk ends with the last sibling, however many children there are.
    while (SUCCEEDED(hr) && child) {
        if (IsElementNamed(child.Get(), name)) return child.As(element);
        ComPtr<IXMLDOMNode> next;
        hr = child->get_nextSibling(&next);
        child = std::move(next);
    }
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace nvx::soaptk
