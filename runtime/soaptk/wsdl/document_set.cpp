#include "runtime/soaptk/wsdl/document_set.h"

#include <shlwapi.h>

#include <cwctype>
#include <deque>
#include <set>

#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/reader/child_elements.h"
#include "runtime/soaptk/reader/xml_document.h"
#include "runtime/soaptk/wsdl/dom_values.h"
#include "runtime/soaptk/wsdl/wsdl_parser.h"

namespace nvx::soaptk {
namespace {

// A location far longer than this is no location a service publishes.
constexpr size_t kMaxLocation = 2048;

struct Reference {
    std::wstring location;
    size_t depth = 0;
    std::wstring includedInto;
};

// "http:", "file:" and the like; a single letter before the colon is a drive.
bool HasScheme(std::wstring_view text)
{
    const size_t colon = text.find(L':');
    if (colon == text.npos || colon < 2) return false;
    for (size_t index = 0; index < colon; ++index)
        if (!std::iswalnum(text[index]) && text[index] != L'+' && text[index] != L'-' && text[index] != L'.')
            return false;
    return true;
}

bool IsAbsolutePath(std::wstring_view text)
{
    if (!text.empty() && (text[0] == L'\\' || text[0] == L'/')) return true;
    return text.size() >= 3 && std::iswalpha(text[0]) && text[1] == L':' && (text[2] == L'\\' || text[2] == L'/');
}

std::wstring CombineUrl(std::wstring_view base, std::wstring_view reference)
{
    const std::wstring baseText(base);
    const std::wstring referenceText(reference);
    std::wstring combined(kMaxLocation + 1, L'\0');
    DWORD length = static_cast<DWORD>(combined.size());
    if (FAILED(UrlCombineW(baseText.c_str(), referenceText.c_str(), combined.data(), &length, 0))) return {};
    combined.resize(length);
    return combined;
}

bool IsWsdlDefinitions(IXMLDOMElement* root) { return IsElementNamed(root, {L"definitions", toolkit::kWsdlNamespace}); }

// The schemas a document holds: itself, or those in its wsdl:types.
std::vector<ComPtr<IXMLDOMElement>> SchemasIn(IXMLDOMElement* root)
{
    if (IsXsdElement(root, L"schema")) return {ComPtr<IXMLDOMElement>(root)};
    ComPtr<IXMLDOMElement> types;
    if (FAILED(FindChildElement(root, {L"types", toolkit::kWsdlNamespace}, &types)) || !types) return {};
    return XsdChildren(types.Get(), L"schema");
}

class DocumentWalk {
public:
    DocumentWalk(const FetchDocument& fetch, const DocumentLimits& limits, std::vector<SourceDocument>* documents)
        : fetch_(fetch), limits_(limits), documents_(documents)
    {
    }

    HRESULT Run(std::wstring_view location, std::wstring_view standsFor)
    {
        documents_->clear();
        const std::wstring original(standsFor.empty() ? location : standsFor);
        seen_.insert(original);
        HRESULT hr = Take({std::wstring(location), 0, {}}, true);
        if (FAILED(hr)) return hr;
        documents_->front().location = original;
        const ComPtr<IXMLDOMElement> root = documents_->front().root;
        Follow(documents_->front(), 0, root.Get());
        while (!pending_.empty() && documents_->size() < limits_.maxDocuments) {
            Take(pending_.front(), false);
            pending_.pop_front();
        }
        return S_OK;
    }

private:
    HRESULT Take(const Reference& reference, bool first)
    {
        std::vector<char> bytes;
        HRESULT hr = fetch_(reference.location, &bytes);
        if (FAILED(hr)) return hr;
        totalBytes_ += bytes.size();
        if (totalBytes_ > limits_.maxTotalBytes) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
        ComPtr<IXMLDOMDocument> document;
        if (FAILED(hr = DocumentFromBytes(bytes, &document))) return hr;
        ComPtr<IXMLDOMElement> root;
        if (!document || FAILED(document->get_documentElement(&root)) || !root) return kNotWsdl;
        const bool wsdl = IsWsdlDefinitions(root.Get());
        if (first ? !wsdl : !wsdl && !IsXsdElement(root.Get(), L"schema")) return kNotWsdl;
        documents_->push_back({reference.location, root, reference.includedInto});
        if (!first) Follow(documents_->back(), reference.depth, root.Get());
        return S_OK;
    }

    void Follow(const SourceDocument& from, size_t depth, IXMLDOMElement* root)
    {
        if (depth >= limits_.maxDepth) return;
        std::vector<ComPtr<IXMLDOMElement>> imports;
        FindChildElements(root, {L"import", toolkit::kWsdlNamespace}, &imports);
        for (const ComPtr<IXMLDOMElement>& import : imports)
            Queue(from.location, depth, AttributeText(import.Get(), L"location"), {});
        for (const ComPtr<IXMLDOMElement>& schema : SchemasIn(root)) {
            std::wstring targetNamespace = AttributeText(schema.Get(), L"targetNamespace");
            if (targetNamespace.empty()) targetNamespace = from.includedInto;
            for (const ComPtr<IXMLDOMElement>& reference : XsdChildren(schema.Get(), L"")) {
                const std::wstring kind = LocalNameOf(reference.Get());
                const bool included = kind == L"include" || kind == L"redefine";
                if (!included && kind != L"import") continue;
                Queue(from.location, depth, AttributeText(reference.Get(), L"schemaLocation"),
                      included ? targetNamespace : std::wstring());
            }
        }
    }

    void Queue(const std::wstring& base, size_t depth, const std::wstring& reference, std::wstring includedInto)
    {
        std::wstring location = ResolveLocation(base, reference);
        if (location.empty() || !seen_.insert(location).second) return;
        pending_.push_back({std::move(location), depth + 1, std::move(includedInto)});
    }

    const FetchDocument& fetch_;
    const DocumentLimits& limits_;
    std::vector<SourceDocument>* documents_;
    std::deque<Reference> pending_;
    std::set<std::wstring> seen_;
    size_t totalBytes_ = 0;
};

}  // namespace

std::wstring ResolveLocation(std::wstring_view base, std::wstring_view reference)
{
    constexpr std::wstring_view kSpace = L" \t\r\n";
    const size_t first = reference.find_first_not_of(kSpace);
    if (first == reference.npos) return {};
    reference = reference.substr(first, reference.find_last_not_of(kSpace) - first + 1);
    if (reference.size() > kMaxLocation || reference.find(L'\0') != reference.npos) return {};
    if (HasScheme(reference)) return std::wstring(reference);
    if (HasScheme(base)) return CombineUrl(base, reference);
    if (IsAbsolutePath(reference)) return std::wstring(reference);
    const size_t slash = base.find_last_of(L"\\/");
    return std::wstring(slash == base.npos ? std::wstring_view() : base.substr(0, slash + 1)) + std::wstring(reference);
}

HRESULT LoadDocumentSet(std::wstring_view location, std::wstring_view standsFor, const FetchDocument& fetch,
                        const DocumentLimits& limits, std::vector<SourceDocument>* documents)
{
    return DocumentWalk(fetch, limits, documents).Run(location, standsFor);
}

}  // namespace nvx::soaptk
