#include "runtime/soaptk/reader/xml_document.h"

#include <oleauto.h>

#include <algorithm>
#include <string>

#include "base/common/bstr.h"
#include "base/common/safearray.h"
#include "base/common/variant.h"

namespace nvx::soaptk {
namespace {

// MSXML 3.0's DOMDocument, the parser the library was built against.
constexpr CLSID kDomDocument30 = {0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
// IXMLDOMDocument2, which MinGW's import libraries do not define.
constexpr IID kXmlDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// Activation through the registry costs ~150 us per document under Wine, more
// than parsing a whole SOAP answer, and every message needs a new document. So
// the class object comes straight from msxml3.dll, which stays loaded once
// used; null when that library cannot be had (then the registry decides).
GetClassObjectFunction MsxmlClassObjectEntry()
{
    static const GetClassObjectFunction entry = []() -> GetClassObjectFunction {
        const HMODULE msxml = LoadLibraryExW(L"msxml3.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        HMODULE pinned = nullptr;
        if (!msxml || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                          reinterpret_cast<LPCWSTR>(msxml), &pinned))
            return nullptr;
        return reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(msxml, "DllGetClassObject")));
    }();
    return entry;
}

HRESULT CreateDomDocument(ComPtr<IXMLDOMDocument>* document)
{
    const GetClassObjectFunction getClassObject = MsxmlClassObjectEntry();
    if (!getClassObject)
        return CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(document->GetAddressOf()));
    ComPtr<IClassFactory> factory;
    const HRESULT hr = getClassObject(kDomDocument30, IID_PPV_ARGS(&factory));
    return FAILED(hr) ? hr : factory->CreateInstance(nullptr, IID_PPV_ARGS(document->GetAddressOf()));
}

HRESULT NewDocument(ComPtr<IXMLDOMDocument>* document)
{
    ComPtr<IXMLDOMDocument> created;
    HRESULT hr = CreateDomDocument(&created);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = created->put_async(VARIANT_FALSE))) return hr;
    if (FAILED(hr = created->put_validateOnParse(VARIANT_FALSE))) return hr;
    if (FAILED(hr = created->put_resolveExternals(VARIANT_FALSE))) return hr;
    // Where the parser knows this property, a DTD stops the parse before any
    // of its entities is expanded; elsewhere Accept refuses the document.
    ComPtr<IXMLDOMDocument2> settings;
    if (SUCCEEDED(created->QueryInterface(kXmlDomDocument2, reinterpret_cast<void**>(settings.GetAddressOf())))) {
        Variant prohibit;
        prohibit->vt = VT_BOOL;
        prohibit->boolVal = VARIANT_TRUE;
        settings->setProperty(Bstr(L"ProhibitDTD").Get(), *prohibit);
    }
    *document = std::move(created);
    return S_OK;
}

// Keeps the document only when it parsed and brings no DOCTYPE.
HRESULT Accept(ComPtr<IXMLDOMDocument>& created, VARIANT_BOOL parsed, ComPtr<IXMLDOMDocument>* document)
{
    document->Reset();
    if (parsed != VARIANT_TRUE) return S_OK;
    ComPtr<IXMLDOMDocumentType> doctype;
    if (FAILED(created->get_doctype(&doctype)) || doctype) return S_OK;
    *document = std::move(created);
    return S_OK;
}

template <class Load>
HRESULT Parse(Load&& load, ComPtr<IXMLDOMDocument>* document)
{
    ComPtr<IXMLDOMDocument> created;
    const HRESULT hr = NewDocument(&created);
    if (FAILED(hr)) return hr;
    VARIANT_BOOL parsed = VARIANT_FALSE;
    // A parse error is a finding about the input, not a failure of the reader.
    if (FAILED(load(created.Get(), &parsed))) parsed = VARIANT_FALSE;
    return Accept(created, parsed, document);
}

bool HasUtf16LeByteOrderMark(std::span<const char> bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

// MSXML reads a byte array like a file: the XML declaration decides the
// encoding. (It does not take UTF-16 that way; that goes in as text.)
HRESULT LoadByteArray(IXMLDOMDocument* document, std::span<const char> bytes, VARIANT_BOOL* parsed)
{
    SafeArray array(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
    if (!array.Get()) return E_OUTOFMEMORY;
    {
        SafeArrayData data(array.Get());
        if (!data.Locked()) return E_UNEXPECTED;
        std::copy(bytes.begin(), bytes.end(), data.As<char>());
    }
    Variant source;
    source->vt = VT_ARRAY | VT_UI1;
    source->parray = array.Detach();
    return document->load(*source, parsed);
}

}  // namespace

HRESULT DocumentFromBytes(std::span<const char> bytes, ComPtr<IXMLDOMDocument>* document)
{
    if (HasUtf16LeByteOrderMark(bytes)) {
        const std::span<const char> units = bytes.subspan(2);
        std::wstring text(units.size() / sizeof(wchar_t), L'\0');
        std::copy(units.begin(), units.begin() + text.size() * sizeof(wchar_t), reinterpret_cast<char*>(text.data()));
        return DocumentFromText(text, document);
    }
    return Parse([&](IXMLDOMDocument* created, VARIANT_BOOL* parsed) { return LoadByteArray(created, bytes, parsed); },
                 document);
}

HRESULT DocumentFromText(std::wstring_view text, ComPtr<IXMLDOMDocument>* document)
{
    const Bstr xml(text);
    return Parse([&](IXMLDOMDocument* created, VARIANT_BOOL* parsed) { return created->loadXML(xml.Get(), parsed); },
                 document);
}

HRESULT DocumentFromLocation(BSTR location, ComPtr<IXMLDOMDocument>* document)
{
    return Parse(
        [&](IXMLDOMDocument* created, VARIANT_BOOL* parsed) {
            VARIANT source;
            source.vt = VT_BSTR;
            source.bstrVal = location;
            return created->load(source, parsed);
        },
        document);
}

std::wstring ChildrenMarkup(IXMLDOMNode* node)
{
    std::wstring xml;
    ComPtr<IXMLDOMNode> child;
    HRESULT hr = node->get_firstChild(&child);
    while (SUCCEEDED(hr) && child) {
        Bstr text;
        if (SUCCEEDED(child->get_xml(text.Put()))) xml += text.View();
        ComPtr<IXMLDOMNode> next;
        hr = child->get_nextSibling(&next);
        child = std::move(next);
    }
    return xml;
}

}  // namespace nvx::soaptk
