#include "runtime/soaptk/client/complex_argument.h"

#include <oleauto.h>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/safearray.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "runtime/soaptk/client/xsd_lexical.h"
#include "runtime/soaptk/reader/xml_document.h"
#include "runtime/soaptk/serializer/xml_names.h"
#include "runtime/soaptk/serializer/xml_text.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kCheckElement[] = L"content";

std::wstring Escaped(std::wstring_view text)
{
    std::string utf8;
    if (!AppendEscaped(utf8, text, TextContext::Content)) return {};
    return WideFromUtf8(utf8);
}

// Markup is taken when it parses as the content of an element.
HRESULT CheckedMarkup(std::wstring_view text, std::wstring* xml)
{
    ComPtr<IXMLDOMDocument> document;
    const std::wstring wrapped =
        std::wstring(L"<") + kCheckElement + L">" + std::wstring(text) + L"</" + kCheckElement + L">";
    const HRESULT hr = DocumentFromText(wrapped, &document);
    if (FAILED(hr)) return hr;
    if (!document) return DISP_E_TYPEMISMATCH;
    *xml = text;
    return S_OK;
}

HRESULT NodeMarkup(IUnknown* object, const PartDescription& part, std::wstring* xml)
{
    ComPtr<IXMLDOMNode> node;
    if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(&node)))) return DISP_E_TYPEMISMATCH;
    ComPtr<IXMLDOMDocument> document;
    if (SUCCEEDED(node.As(&document))) {
        ComPtr<IXMLDOMElement> root;
        if (FAILED(document->get_documentElement(&root)) || !root) return DISP_E_TYPEMISMATCH;
        node = root;
    }
    DOMNodeType type = NODE_INVALID;
    node->get_nodeType(&type);
    Bstr name;
    node->get_baseName(name.Put());
    if (type == NODE_DOCUMENT_FRAGMENT || (type == NODE_ELEMENT && name.View() == part.elementName)) {
        *xml = ChildrenMarkup(node.Get());
        return S_OK;
    }
    Bstr text;
    if (FAILED(node->get_xml(text.Put()))) return DISP_E_TYPEMISMATCH;
    *xml = text.View();
    return S_OK;
}

HRESULT CellText(SAFEARRAY* array, LONG row, LONG column, std::wstring* text)
{
    LONG indices[2] = {row, column};
    Variant cell;
    HRESULT hr = SafeArrayGetElement(array, indices, cell.Get());
    if (FAILED(hr)) return hr;
    if (cell->vt == VT_EMPTY || cell->vt == VT_NULL) return S_OK;
    if (SUCCEEDED(XsdTextOf(*cell, text))) return S_OK;
    Variant converted;
    if (FAILED(VariantChangeType(converted.Get(), cell.Get(), 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
    *text = ViewOf(converted->bstrVal);
    return S_OK;
}

// Row 0 names the members, row 1 holds their values.
HRESULT TableMarkup(SAFEARRAY* array, const PartDescription& part, std::wstring* xml)
{
    LONG firstRow = 0, lastRow = -1, firstColumn = 0, lastColumn = -1;
    if (!array || SafeArrayGetDim(array) != 2 || FAILED(SafeArrayGetLBound(array, 1, &firstRow)) ||
        FAILED(SafeArrayGetUBound(array, 1, &lastRow)) || FAILED(SafeArrayGetLBound(array, 2, &firstColumn)) ||
        FAILED(SafeArrayGetUBound(array, 2, &lastColumn)) || lastRow < firstRow + 1)
        return DISP_E_TYPEMISMATCH;
    VARTYPE elementType = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &elementType)) || (elementType != VT_VARIANT && elementType != VT_BSTR))
        return DISP_E_TYPEMISMATCH;
    const std::wstring declaration =
        part.memberNamespace.empty() ? std::wstring() : L" xmlns=\"" + Escaped(part.memberNamespace) + L"\"";
    std::wstring markup;
    for (LONG column = firstColumn; column <= lastColumn; ++column) {
        std::wstring name, value;
        HRESULT hr = CellText(array, firstRow, column, &name);
        if (FAILED(hr) || FAILED(hr = CellText(array, firstRow + 1, column, &value))) return hr;
        if (!IsNcName(name) || !IsXmlText(value)) return DISP_E_TYPEMISMATCH;
        markup += L"<" + name + declaration + L">" + Escaped(value) + L"</" + name + L">";
    }
    *xml = std::move(markup);
    return S_OK;
}

}  // namespace

HRESULT ComplexContent(const VARIANT& value, const PartDescription& part, std::wstring* xml)
{
    switch (value.vt) {
    case VT_BSTR: return CheckedMarkup(ViewOf(value.bstrVal), xml);
    case VT_DISPATCH: return NodeMarkup(value.pdispVal, part, xml);
    case VT_UNKNOWN: return NodeMarkup(value.punkVal, part, xml);
    default: break;
    }
    if ((value.vt & VT_ARRAY) && !(value.vt & VT_BYREF)) return TableMarkup(value.parray, part, xml);
    return DISP_E_TYPEMISMATCH;
}

}  // namespace nvx::soaptk
