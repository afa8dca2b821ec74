#include "runtime/soaptk/client/multi_ref.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/common/bstr.h"
#include "base/common/variant.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/reader/child_elements.h"

namespace nvx::soaptk {
namespace {

constexpr int kMaxDepth = 48;
// Values shared many times over can still multiply (each holding the next
// twice, thirty deep, is a billion copies). A reply's references copy each
// value a few times at most, so the copy stops growing at a bound that grows
// with the body.
constexpr size_t kCopiesPerBodyElement = 16;
constexpr size_t kMinCopies = 4096;

std::vector<ComPtr<IXMLDOMElement>> ElementChildren(IXMLDOMNode* parent)
{
    std::vector<ComPtr<IXMLDOMElement>> children;
    FindChildElements(parent, {L"", std::nullopt}, &children);
    return children;
}

std::optional<std::wstring> AttributeNamed(IXMLDOMElement* element, std::wstring_view localName,
                                           std::optional<std::wstring_view> namespaceUri)
{
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    ComPtr<IXMLDOMNode> attribute;
    const Bstr name(localName);
    const HRESULT hr =
        SUCCEEDED(element->get_attributes(&attributes)) && attributes
            ? attributes->getQualifiedItem(name.Get(), Bstr(std::wstring(namespaceUri.value_or(L""))).Get(), &attribute)
            : E_FAIL;
    if (hr != S_OK || !attribute) return std::nullopt;
    Bstr value;
    if (FAILED(attribute->get_text(value.Put()))) return std::nullopt;
    return std::wstring(value.View());
}

// The value's own namespace declarations are no part of it (and Wine's MSXML
// would copy one as a plain attribute).
bool IsNamespaceDeclaration(std::wstring_view name) { return name == L"xmlns" || name.starts_with(L"xmlns:"); }

class References {
public:
    explicit References(IXMLDOMElement* body) { Index(body, 0); }

    size_t ElementCount() const { return elements_; }

    // The value `accessor` refers to, with the name of the attribute that
    // refers; null when it refers to none.
    ComPtr<IXMLDOMElement> TargetOf(IXMLDOMElement* accessor, std::wstring* attribute) const
    {
        if (std::optional<std::wstring> href = AttributeNamed(accessor, L"href", L"")) {
            *attribute = L"href";
            return href->starts_with(L"#") ? Find(href->substr(1)) : nullptr;
        }
        if (std::optional<std::wstring> ref = AttributeNamed(accessor, L"ref", toolkit::kSoap12EncodingNamespace)) {
            *attribute = L"ref";
            return Find(*ref);
        }
        return nullptr;
    }

private:
    void Index(IXMLDOMElement* element, int depth)
    {
        if (depth > kMaxDepth) return;
        for (const ComPtr<IXMLDOMElement>& child : ElementChildren(element)) {
            ++elements_;
            std::optional<std::wstring> id = AttributeNamed(child.Get(), L"id", L"");
            if (!id) id = AttributeNamed(child.Get(), L"id", toolkit::kSoap12EncodingNamespace);
            if (id) ids_.emplace(*id, child);
            Index(child.Get(), depth + 1);
        }
    }

    ComPtr<IXMLDOMElement> Find(const std::wstring& id) const
    {
        const auto found = ids_.find(id);
        return found == ids_.end() ? nullptr : found->second;
    }

    std::map<std::wstring, ComPtr<IXMLDOMElement>> ids_;
    size_t elements_ = 0;
};

class Resolver {
public:
    explicit Resolver(const References& references)
        : references_(references), maxCopies_(kMinCopies + kCopiesPerBodyElement * references.ElementCount())
    {
    }

    void Resolve(IXMLDOMElement* copy, int depth)
    {
        if (depth > kMaxDepth || copied_ > maxCopies_) return;
        std::wstring attribute;
        const ComPtr<IXMLDOMElement> target = references_.TargetOf(copy, &attribute);
        // A value met again inside itself stays a reference: expanding it
        // would never end.
        const bool expanding = target && std::find(path_.begin(), path_.end(), target.Get()) == path_.end();
        if (expanding) {
            TakeValue(copy, target.Get());
            path_.push_back(target.Get());
        }
        for (const ComPtr<IXMLDOMElement>& child : ElementChildren(copy)) Resolve(child.Get(), depth + 1);
        if (expanding) path_.pop_back();
    }

private:
    // The accessor gets the value's attributes (its type, an array's type)
    // and a copy of its content.
    void TakeValue(IXMLDOMElement* accessor, IXMLDOMElement* value)
    {
        ComPtr<IXMLDOMNamedNodeMap> accessorAttributes;
        ComPtr<IXMLDOMNamedNodeMap> valueAttributes;
        if (FAILED(accessor->get_attributes(&accessorAttributes)) || FAILED(value->get_attributes(&valueAttributes)))
            return;
        ComPtr<IXMLDOMNode> removed;
        accessorAttributes->removeNamedItem(Bstr(L"href").Get(), &removed);
        accessorAttributes->removeQualifiedItem(Bstr(L"ref").Get(), Bstr(toolkit::kSoap12EncodingNamespace).Get(),
                                                &removed);
        long count = 0;
        valueAttributes->get_length(&count);
        for (long index = 0; index < count; ++index) {
            ComPtr<IXMLDOMNode> attribute, copy, replaced;
            Bstr name, qualifiedName;
            if (FAILED(valueAttributes->get_item(index, &attribute)) || !attribute ||
                FAILED(attribute->get_baseName(name.Put())) || name.View() == L"id" ||
                FAILED(attribute->get_nodeName(qualifiedName.Put())) || IsNamespaceDeclaration(qualifiedName.View()))
                continue;
            if (SUCCEEDED(attribute->cloneNode(VARIANT_TRUE, &copy)))
                accessorAttributes->setNamedItem(copy.Get(), &replaced);
        }
        ComPtr<IXMLDOMNode> child;
        HRESULT hr = value->get_firstChild(&child);
        while (SUCCEEDED(hr) && child) {
            ComPtr<IXMLDOMNode> copy, appended, next;
            if (SUCCEEDED(child->cloneNode(VARIANT_TRUE, &copy))) accessor->appendChild(copy.Get(), &appended);
            ++copied_;
            hr = child->get_nextSibling(&next);
            child = std::move(next);
        }
    }

    const References& references_;
    std::vector<IXMLDOMElement*> path_;  // the values being expanded, outermost first
    const size_t maxCopies_;
    size_t copied_ = 0;
};

}  // namespace

HRESULT WithReferencesResolved(IXMLDOMElement* element, IXMLDOMElement* body, ComPtr<IXMLDOMElement>* resolved)
{
    ComPtr<IXMLDOMNode> copy;
    HRESULT hr = element->cloneNode(VARIANT_TRUE, &copy);
    if (FAILED(hr) || FAILED(hr = copy.As(resolved))) return hr;
    const References references(body);
    Resolver(references).Resolve(resolved->Get(), 0);
    return S_OK;
}

}  // namespace nvx::soaptk
