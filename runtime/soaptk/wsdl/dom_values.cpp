#include "runtime/soaptk/wsdl/dom_values.h"

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/reader/child_elements.h"

namespace nvx::soaptk {
namespace {

constexpr std::wstring_view kXmlPrefix = L"xml";
constexpr wchar_t kXmlNamespace[] = L"http://www.w3.org/XML/1998/namespace";
// Qualified names in WSDL are short; anything longer than this is no name
// worth resolving.
constexpr size_t kMaxQualifiedName = 4096;

// XML white space around an attribute value that holds a name.
std::wstring_view Trimmed(std::wstring_view text)
{
    constexpr std::wstring_view kSpace = L" \t\r\n";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == text.npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The prefix of an element's own name ("" when it has none).
std::wstring PrefixOf(IXMLDOMNode* node)
{
    Bstr prefix;
    if (FAILED(node->get_prefix(prefix.Put()))) return {};
    return std::wstring(prefix.View());
}

// The namespace that `element` binds `prefix` to, or that is bound to it
// where the element stands. Some MSXML implementations hide the declarations
// from getAttribute("xmlns"), so they are read from the attribute nodes, and
// an element named with the prefix tells its namespace itself.
std::optional<std::wstring> BindingAt(IXMLDOMElement* element, std::wstring_view prefix,
                                      const std::wstring& declaration)
{
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    long count = 0;
    if (SUCCEEDED(element->get_attributes(&attributes)) && attributes && SUCCEEDED(attributes->get_length(&count))) {
        for (long index = 0; index < count; ++index) {
            ComPtr<IXMLDOMNode> attribute;
            Bstr name;
            if (FAILED(attributes->get_item(index, &attribute)) || !attribute ||
                FAILED(attribute->get_nodeName(name.Put())) || name.View() != declaration)
                continue;
            Bstr uri;
            if (FAILED(attribute->get_text(uri.Put()))) return std::nullopt;
            return std::wstring(uri.View());
        }
    }
    if (PrefixOf(element) != prefix) return std::nullopt;
    Bstr uri;
    if (FAILED(element->get_namespaceURI(uri.Put()))) return std::nullopt;
    return std::wstring(uri.View());
}

// The namespace bound to `prefix` at `context`: each ancestor is asked in
// turn, and the walk ends at the document.
std::optional<std::wstring> NamespaceOfPrefix(IXMLDOMElement* context, std::wstring_view prefix)
{
    if (prefix == kXmlPrefix) return std::wstring(kXmlNamespace);
    const std::wstring declaration = prefix.empty() ? std::wstring(L"xmlns") : L"xmlns:" + std::wstring(prefix);
    ComPtr<IXMLDOMNode> node(context);
    while (node) {
        ComPtr<IXMLDOMElement> element;
        if (FAILED(node.As(&element))) break;
        if (std::optional<std::wstring> uri = BindingAt(element.Get(), prefix, declaration)) return uri;
        ComPtr<IXMLDOMNode> parent;
        if (FAILED(node->get_parentNode(&parent))) break;
        node = std::move(parent);
    }
    // An undeclared default namespace is no namespace; an undeclared prefix
    // is an error in the document.
    if (prefix.empty()) return std::wstring();
    return std::nullopt;
}

}  // namespace

std::optional<std::wstring> AttributeOf(IXMLDOMElement* element, const wchar_t* name)
{
    Variant value;
    const Bstr attribute(name);
    if (element->getAttribute(attribute.Get(), value.Get()) != S_OK || value->vt != VT_BSTR) return std::nullopt;
    return std::wstring(ViewOf(value->bstrVal));
}

std::wstring AttributeText(IXMLDOMElement* element, const wchar_t* name)
{
    return AttributeOf(element, name).value_or(std::wstring());
}

std::wstring LocalNameOf(IXMLDOMElement* element)
{
    Bstr name;
    if (FAILED(element->get_baseName(name.Put()))) return {};
    return std::wstring(name.View());
}

std::wstring ElementText(IXMLDOMElement* element)
{
    Bstr text;
    if (FAILED(element->get_text(text.Put()))) return {};
    return std::wstring(text.View());
}

bool IsXsdElement(IXMLDOMElement* element, std::wstring_view localName)
{
    Bstr uri;
    if (FAILED(element->get_namespaceURI(uri.Put())) || !toolkit::IsXsdNamespace(uri.View())) return false;
    return localName.empty() || LocalNameOf(element) == localName;
}

std::vector<ComPtr<IXMLDOMElement>> XsdChildren(IXMLDOMNode* parent, std::wstring_view localName)
{
    std::vector<ComPtr<IXMLDOMElement>> children;
    if (!parent || FAILED(FindChildElements(parent, {localName, std::nullopt}, &children))) return {};
    std::erase_if(children, [](const ComPtr<IXMLDOMElement>& child) { return !IsXsdElement(child.Get(), L""); });
    return children;
}

ComPtr<IXMLDOMElement> XsdChild(IXMLDOMNode* parent, std::wstring_view localName)
{
    std::vector<ComPtr<IXMLDOMElement>> children = XsdChildren(parent, localName);
    return children.empty() ? nullptr : children.front();
}

std::optional<QualifiedName> ResolveQualifiedName(IXMLDOMElement* context, std::wstring_view value)
{
    const std::wstring_view name = Trimmed(value);
    if (name.empty() || name.size() > kMaxQualifiedName) return std::nullopt;
    const size_t colon = name.find(L':');
    const std::wstring_view prefix = colon == name.npos ? std::wstring_view() : name.substr(0, colon);
    const std::wstring_view local = colon == name.npos ? name : name.substr(colon + 1);
    if (local.empty() || local.find(L':') != local.npos) return std::nullopt;
    std::optional<std::wstring> uri = NamespaceOfPrefix(context, prefix);
    if (!uri) return std::nullopt;
    return QualifiedName{std::move(*uri), std::wstring(local)};
}

std::optional<QualifiedName> QualifiedAttribute(IXMLDOMElement* element, const wchar_t* name)
{
    const std::optional<std::wstring> value = AttributeOf(element, name);
    if (!value) return std::nullopt;
    return ResolveQualifiedName(element, *value);
}

}  // namespace nvx::soaptk
