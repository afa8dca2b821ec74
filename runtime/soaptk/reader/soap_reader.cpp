#include "runtime/soaptk/reader/soap_reader.h"

#include <memory>
#include <vector>

#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/reader/message_bytes.h"
#include "runtime/soaptk/reader/xml_document.h"

namespace nvx::soaptk {

// Where each part of a fault stands below the Fault element, in SOAP 1.1 and
// in SOAP 1.2. SOAP 1.1's are unqualified, though some senders qualify them;
// all are matched by local name.
struct FaultPath {
    std::wstring_view soap11;
    std::wstring_view soap12[2];
};

namespace {

const ElementName kAnyElement{L"", std::nullopt};
constexpr const wchar_t* kEnvelopeNamespaces[] = {toolkit::kEnvelopeNamespace, toolkit::kEnvelope12Namespace};

constexpr FaultPath kFaultString{L"faultstring", {L"Reason", L"Text"}};
constexpr FaultPath kFaultCode{L"faultcode", {L"Code", L"Value"}};
constexpr FaultPath kFaultActor{L"faultactor", {L"Role", L""}};
constexpr FaultPath kFaultDetail{L"detail", {L"Detail", L""}};

// A namespace argument: matches any namespace when not given.
ElementName NamedBy(BSTR localName, BSTR namespaceUri)
{
    const std::wstring_view uri = ViewOf(namespaceUri);
    return {ViewOf(localName), uri.empty() ? std::nullopt : std::optional<std::wstring_view>(uri)};
}

ComPtr<IStream> StreamOf(const VARIANT& source)
{
    IUnknown* object = nullptr;
    if (source.vt == VT_UNKNOWN) object = source.punkVal;
    if (source.vt == VT_DISPATCH) object = source.pdispVal;
    ComPtr<IStream> stream;
    if (object) object->QueryInterface(IID_PPV_ARGS(&stream));
    return stream;
}

HRESULT DocumentFromStream(IStream* stream, ComPtr<IXMLDOMDocument>* document)
{
    std::vector<char> bytes;
    // An unreadable or oversized answer is no message; an empty one neither.
    if (FAILED(ReadMessage(stream, &bytes)) || bytes.empty()) return S_OK;
    return DocumentFromBytes(bytes, document);
}

}  // namespace

std::span<const com::InterfaceEntry<SoapReader>> SoapReader::Interfaces()
{
    static const com::InterfaceEntry<SoapReader> table[] = {
        {&IID_ISoapReader, &com::ViewAs<SoapReader, ISoapReader>},
        {&IID_IDispatch, &com::ViewAs<SoapReader, ISoapReader>},
    };
    return table;
}

bool SoapReader::Accept(ComPtr<IXMLDOMDocument> document)
{
    document_ = std::move(document);
    envelope_.Reset();
    if (!document_) return false;
    ComPtr<IXMLDOMElement> root;
    if (FAILED(document_->get_documentElement(&root)) || !root) return false;
    for (const wchar_t* envelopeNamespace : kEnvelopeNamespaces) {
        if (IsElementNamed(root.Get(), {L"Envelope", envelopeNamespace})) {
            envelopeNamespace_ = envelopeNamespace;
            envelope_ = std::move(root);
            return true;
        }
    }
    return false;
}

ElementName SoapReader::EnvelopePart(std::wstring_view localName) const { return {localName, envelopeNamespace_}; }

HRESULT SoapReader::FindFaultPart(const FaultPath& path, ComPtr<IXMLDOMElement>* element) const
{
    const bool soap12 = envelopeNamespace_ == toolkit::kEnvelope12Namespace;
    HRESULT hr =
        FindBodyGrandchild(EnvelopePart(L"Fault"), {soap12 ? path.soap12[0] : path.soap11, std::nullopt}, element);
    if (FAILED(hr) || !soap12 || path.soap12[1].empty() || !*element) return hr;
    const ComPtr<IXMLDOMElement> parent = *element;
    return FindChildElement(parent.Get(), {path.soap12[1], std::nullopt}, element);
}

// Failures to load are reported through the flag, with S_OK, as callers
// decide on the flag alone; only an unusable source is an error.
IFACEMETHODIMP SoapReader::Load(VARIANT source, BSTR soapAction, VARIANT_BOOL* isSuccessful)
{
    if (!isSuccessful) return E_POINTER;
    *isSuccessful = VARIANT_FALSE;
    return ComBoundary([&]() -> HRESULT {
        Accept(nullptr);
        soapAction_ = Bstr::CopyOf(soapAction);
        ComPtr<IXMLDOMDocument> document;
        HRESULT hr;
        if (source.vt == VT_BSTR) {
            hr = DocumentFromLocation(source.bstrVal, &document);
        } else if (ComPtr<IStream> stream = StreamOf(source)) {
            hr = DocumentFromStream(stream.Get(), &document);
        } else {
            return E_INVALIDARG;
        }
        if (FAILED(hr)) return hr;
        *isSuccessful = Accept(std::move(document)) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

IFACEMETHODIMP SoapReader::LoadXml(BSTR xml, VARIANT_BOOL* isSuccessful)
{
    if (!isSuccessful) return E_POINTER;
    *isSuccessful = VARIANT_FALSE;
    return ComBoundary([&]() -> HRESULT {
        Accept(nullptr);
        soapAction_.Reset();
        ComPtr<IXMLDOMDocument> document;
        const HRESULT hr = DocumentFromText(ViewOf(xml), &document);
        if (FAILED(hr)) return hr;
        *isSuccessful = Accept(std::move(document)) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

template <class Find>
HRESULT SoapReader::GetElement(IDispatch** out, Find&& find) const
{
    if (!out) return E_POINTER;
    *out = nullptr;
    return ComBoundary([&]() -> HRESULT {
        ComPtr<IXMLDOMElement> element;
        if (envelope_) {
            const HRESULT hr = find(std::addressof(element));
            if (FAILED(hr)) return hr;
        }
        // IXMLDOMElement is a dual interface: its pointer is the dispatch one.
        *out = element.Detach();
        return S_OK;
    });
}

HRESULT SoapReader::FindBodyChild(const ElementName& name, ComPtr<IXMLDOMElement>* element) const
{
    ComPtr<IXMLDOMElement> body;
    const HRESULT hr = FindChildElement(envelope_.Get(), EnvelopePart(L"Body"), &body);
    if (FAILED(hr) || !body) return hr;
    return FindChildElement(body.Get(), name, element);
}

HRESULT SoapReader::FindBodyGrandchild(const ElementName& parent, const ElementName& name,
                                       ComPtr<IXMLDOMElement>* element) const
{
    ComPtr<IXMLDOMElement> entry;
    const HRESULT hr = FindBodyChild(parent, &entry);
    if (FAILED(hr) || !entry) return hr;
    return FindChildElement(entry.Get(), name, element);
}

IFACEMETHODIMP SoapReader::get_DOM(IDispatch** document)
{
    if (!document) return E_POINTER;
    // IXMLDOMDocument's own pointer, whose vtable callers use directly.
    ComPtr<IXMLDOMDocument> copy = document_;
    *document = copy.Detach();
    return S_OK;
}

IFACEMETHODIMP SoapReader::get_Envelope(IDispatch** element)
{
    return GetElement(element, [&](ComPtr<IXMLDOMElement>* found) {
        *found = envelope_;
        return S_OK;
    });
}

IFACEMETHODIMP SoapReader::get_Body(IDispatch** element)
{
    return GetElement(element,
                      [&](auto* found) { return FindChildElement(envelope_.Get(), EnvelopePart(L"Body"), found); });
}

IFACEMETHODIMP SoapReader::get_Header(IDispatch** element)
{
    return GetElement(element,
                      [&](auto* found) { return FindChildElement(envelope_.Get(), EnvelopePart(L"Header"), found); });
}

IFACEMETHODIMP SoapReader::get_Fault(IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindBodyChild(EnvelopePart(L"Fault"), found); });
}

IFACEMETHODIMP SoapReader::get_FaultString(IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindFaultPart(kFaultString, found); });
}

IFACEMETHODIMP SoapReader::get_FaultCode(IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindFaultPart(kFaultCode, found); });
}

IFACEMETHODIMP SoapReader::get_FaultActor(IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindFaultPart(kFaultActor, found); });
}

IFACEMETHODIMP SoapReader::get_FaultDetail(IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindFaultPart(kFaultDetail, found); });
}

IFACEMETHODIMP SoapReader::get_BodyEntries(IDispatch** entries)
{
    if (!entries) return E_POINTER;
    *entries = nullptr;
    return ComBoundary([&]() -> HRESULT {
        ComPtr<IXMLDOMElement> body;
        if (envelope_) {
            const HRESULT hr = FindChildElement(envelope_.Get(), EnvelopePart(L"Body"), &body);
            if (FAILED(hr)) return hr;
        }
        if (!body) return S_OK;
        // "*" selects the element children alone, in document order.
        ComPtr<IXMLDOMNodeList> list;
        const Bstr pattern(L"*");
        const HRESULT hr = body->selectNodes(pattern.Get(), &list);
        if (FAILED(hr)) return hr;
        *entries = list.Detach();
        return S_OK;
    });
}

IFACEMETHODIMP SoapReader::get_BodyEntry(BSTR localName, BSTR namespaceUri, IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindBodyChild(NamedBy(localName, namespaceUri), found); });
}

IFACEMETHODIMP SoapReader::get_RPCStruct(IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindBodyChild(kAnyElement, found); });
}

IFACEMETHODIMP SoapReader::get_RPCParameter(BSTR localName, BSTR namespaceUri, IDispatch** element)
{
    return GetElement(
        element, [&](auto* found) { return FindBodyGrandchild(kAnyElement, NamedBy(localName, namespaceUri), found); });
}

IFACEMETHODIMP SoapReader::get_RPCResult(IDispatch** element)
{
    return GetElement(element, [&](auto* found) { return FindBodyGrandchild(kAnyElement, kAnyElement, found); });
}

IFACEMETHODIMP SoapReader::get_SoapAction(BSTR* soapAction)
{
    if (!soapAction) return E_POINTER;
    *soapAction = nullptr;
    return ComBoundary([&] {
        *soapAction = Bstr::CopyOf(soapAction_.Get()).Detach();
        return S_OK;
    });
}

}  // namespace nvx::soaptk
