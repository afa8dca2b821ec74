#include "src/facade/named_arguments.h"

#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "src/facade/array_element.h"
#include "src/facade/variant_string_list.h"

namespace nvx::facade {
namespace {

// Value `position` of the values VARIANT: element `position` of an array
// (indexed by the array index itself), or the VARIANT itself for every
// position when it holds no array.
HRESULT ValueAt(const VARIANT& values, long position, Variant* out)
{
    const VARIANT& source =
        V_VT(&values) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&values) ? *V_VARIANTREF(&values) : values;
    if (!(V_VT(&source) & VT_ARRAY)) return VariantCopyInd(out->Put(), const_cast<VARIANT*>(&source));

    SAFEARRAY* array = ArrayOf(source);
    if (!array) return DISP_E_BADINDEX;
    const VARTYPE elementType = V_VT(&source) & VT_TYPEMASK;
    if (!HasReadableElements(array, elementType)) return DISP_E_BADVARTYPE;
    return ReadArrayElement(array, elementType, position, out);
}

HRESULT ValueAsText(const VARIANT& values, long position, Variant* text)
{
    Variant value;
    const HRESULT hr = ValueAt(values, position, &value);
    if (FAILED(hr)) return hr;
    return VariantChangeType(text->Put(), value.Get(), VARIANT_NOUSEROVERRIDE, VT_BSTR);
}

// What a complex part takes: XML text, an XML node, or a table of names and
// values (see the toolkit client's complex arguments).
bool FitsComplexPart(const VARIANT& value)
{
    if (V_VT(&value) == VT_BSTR) return true;
    if (V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN) {
        ComPtr<IXMLDOMNode> node;
        return V_UNKNOWN(&value) && SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(
                                        IID_IXMLDOMNode, reinterpret_cast<void**>(node.GetAddressOf())));
    }
    return (V_VT(&value) & VT_ARRAY) && !(V_VT(&value) & VT_BYREF) && V_ARRAY(&value) &&
           SafeArrayGetDim(V_ARRAY(&value)) == 2;
}

HRESULT BindComplex(const VARIANT& values, long position, VARIANT* stored)
{
    Variant value;
    HRESULT hr = ValueAt(values, position, &value);
    if (FAILED(hr)) return hr;
    if (!FitsComplexPart(*value.Get())) return DISP_E_TYPEMISMATCH;
    return VariantCopy(stored, value.Get());
}

HRESULT BindSimple(const VARIANT& values, long position, VARTYPE type, VARIANT* stored)
{
    Variant text;
    const HRESULT hr = ValueAsText(values, position, &text);
    if (FAILED(hr)) return hr;
    return VariantChangeType(stored, text.Get(), VARIANT_NOUSEROVERRIDE, type);
}

long FindName(const VariantStringList& names, const std::string& name)
{
    for (long k = 0; k < names.Count(); ++k)
        if (names.Name(k) && name == names.Name(k)) return k;
    return -1;
}

}  // namespace

ArgumentBlock::~ArgumentBlock() { Clear(); }

void ArgumentBlock::Clear()
{
    for (auto& value : values_) VariantClear(&value);
    arguments_.clear();
    values_.clear();
    params_ = {};
}

void ArgumentBlock::Reset(size_t count)
{
    Clear();
    arguments_.resize(count);
    values_.resize(count);
    for (auto& argument : arguments_) VariantInit(&argument);
    for (auto& value : values_) VariantInit(&value);
    params_.rgvarg = arguments_.empty() ? nullptr : arguments_.data();
    params_.cArgs = static_cast<UINT>(count);
}

HRESULT BindNamedArguments(std::span<const ParameterPart> parts, const VARIANT& names, const VARIANT& values,
                           ArgumentBlock* block, size_t* failedPart)
{
    const VariantStringList nameList(names);
    const size_t count = parts.size();
    block->Reset(count);
    HRESULT hr = S_OK;
    for (size_t k = 0; k < count; ++k) {
        const long position = FindName(nameList, AnsiFromWide(parts[k].elementName));
        if (position < 0) continue;
        VARIANT& stored = block->Value(k);
        const bool complex = parts[k].type == VT_DISPATCH;
        hr = complex ? BindComplex(values, position, &stored) : BindSimple(values, position, parts[k].type, &stored);
        if (FAILED(hr)) {
            if (failedPart) *failedPart = k;
            return hr;
        }
        VARIANT& argument = block->Argument(count - 1 - k);
        if (complex) {
            V_VT(&argument) = VT_VARIANT | VT_BYREF;
            V_VARIANTREF(&argument) = &stored;
        } else {
            V_VT(&argument) = static_cast<VARTYPE>(parts[k].type | VT_BYREF);
            if (parts[k].type == VT_DECIMAL)
                V_DECIMALREF(&argument) = &V_DECIMAL(&stored);
            else
                V_BYREF(&argument) = &V_I4(&stored);
        }
    }
    return hr;
}

}  // namespace nvx::facade
