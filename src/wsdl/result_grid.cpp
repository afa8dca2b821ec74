#include "src/wsdl/result_grid.h"

#include "base/common/bstr.h"
#include "base/common/safearray.h"
#include "base/common/variant.h"

namespace nvx::wsdl {
namespace {

HRESULT PutText(SAFEARRAY* array, LONG* indices, const std::wstring& text)
{
    Variant cell;
    V_VT(cell.Get()) = VT_BSTR;
    V_BSTR(cell.Get()) = Bstr(text).Detach();
    return SafeArrayPutElement(array, indices, cell.Get());
}

}  // namespace

std::vector<ComPtr<IXMLDOMNode>> Items(IXMLDOMNodeList* list)
{
    std::vector<ComPtr<IXMLDOMNode>> items;
    long length = 0;
    if (!list || FAILED(list->get_length(&length))) return items;
    for (long i = 0; i < length; ++i) {
        ComPtr<IXMLDOMNode> item;
        if (SUCCEEDED(list->get_item(i, item.GetAddressOf())) && item) items.push_back(item);
    }
    return items;
}

std::wstring NodeName(IXMLDOMNode* node)
{
    Bstr name;
    node->get_nodeName(name.Put());
    return std::wstring(name.View());
}

std::wstring NodeText(IXMLDOMNode* node)
{
    Bstr text;
    node->get_text(text.Put());
    return std::wstring(text.View());
}

SAFEARRAY* TextRow(const Row& texts)
{
    SafeArray array(SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(texts.size())));
    if (!array.Get()) return nullptr;
    for (LONG c = 0; c < static_cast<LONG>(texts.size()); ++c)
        if (FAILED(PutText(array.Get(), &c, texts[c]))) return nullptr;
    return array.Detach();
}

SAFEARRAY* TextGrid(const Row& columns, const std::vector<Row>& rows)
{
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows.size() + 1), 0}, {static_cast<ULONG>(columns.size()), 0}};
    SafeArray array(SafeArrayCreate(VT_VARIANT, 2, bounds));
    if (!array.Get()) return nullptr;
    for (LONG c = 0; c < static_cast<LONG>(columns.size()); ++c) {
        LONG header[2] = {0, c};
        if (FAILED(PutText(array.Get(), header, columns[c]))) return nullptr;
        for (LONG r = 0; r < static_cast<LONG>(rows.size()); ++r) {
            if (c >= static_cast<LONG>(rows[r].size())) continue;  // a short row: the cell stays empty
            LONG cell[2] = {r + 1, c};
            if (FAILED(PutText(array.Get(), cell, rows[r][c]))) return nullptr;
        }
    }
    return array.Detach();
}

HRESULT ReturnArray(SAFEARRAY* array, VARIANT* result)
{
    if (!array) return E_OUTOFMEMORY;
    Variant converted;
    V_VT(converted.Get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(converted.Get()) = array;
    return VariantCopy(result, converted.Get());
}

}  // namespace nvx::wsdl
