#include "runtime/soaptk/reader/child_elements.h"

#include "base/common/bstr.h"

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

namespace {

// Calls `visit` with each matching child until it asks to stop by returning
// false.
template <class Visit>
HRESULT VisitChildElements(IXMLDOMNode* parent, const ElementName& name, Visit&& visit)
{
    ComPtr<IXMLDOMNode> child;
    HRESULT hr = parent->get_firstChild(&child);
    // The walk ends with the last sibling, however many children there are.
    while (SUCCEEDED(hr) && child) {
        if (IsElementNamed(child.Get(), name)) {
            ComPtr<IXMLDOMElement> element;
            if (FAILED(hr = child.As(&element))) return hr;
            if (!visit(std::move(element))) return S_OK;
        }
        ComPtr<IXMLDOMNode> next;
        hr = child->get_nextSibling(&next);
        child = std::move(next);
    }
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace

HRESULT FindChildElement(IXMLDOMNode* parent, const ElementName& name, ComPtr<IXMLDOMElement>* element)
{
    element->Reset();
    return VisitChildElements(parent, name, [&](ComPtr<IXMLDOMElement> found) {
        *element = std::move(found);
        return false;
    });
}

HRESULT FindChildElements(IXMLDOMNode* parent, const ElementName& name, std::vector<ComPtr<IXMLDOMElement>>* elements)
{
    elements->clear();
    return VisitChildElements(parent, name, [&](ComPtr<IXMLDOMElement> found) {
        elements->push_back(std::move(found));
        return true;
    });
}

}  // namespace nvx::soaptk
