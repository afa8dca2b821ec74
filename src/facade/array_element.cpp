#include "src/facade/array_element.h"

namespace nvx::facade {
namespace {

struct ElementLayout {
    VARTYPE type;
    UINT size;
};

constexpr ElementLayout kReadableLayouts[] = {
    {VT_I1, 1},
    {VT_UI1, 1},
    {VT_I2, 2},
    {VT_UI2, 2},
    {VT_BOOL, 2},
    {VT_I4, 4},
    {VT_UI4, 4},
    {VT_INT, 4},
    {VT_UINT, 4},
    {VT_R4, 4},
    {VT_I8, 8},
    {VT_UI8, 8},
    {VT_R8, 8},
    {VT_CY, 8},
    {VT_DATE, 8},
    {VT_BSTR, sizeof(BSTR)},
    {VT_DECIMAL, sizeof(DECIMAL)},
    {VT_VARIANT, sizeof(VARIANT)},
};

}  // namespace

SAFEARRAY* ArrayOf(const VARIANT& value)
{
    if (!(V_VT(&value) & VT_ARRAY)) return nullptr;
    if (V_VT(&value) & VT_BYREF) return V_ARRAYREF(&value) ? *V_ARRAYREF(&value) : nullptr;
    return V_ARRAY(&value);
}

bool HasReadableElements(SAFEARRAY* array, VARTYPE elementType)
{
    if (!array) return false;
    // An array that knows its own type must agree with what the caller declared.
    VARTYPE stored = VT_EMPTY;
    if (SUCCEEDED(SafeArrayGetVartype(array, &stored)) && stored != elementType) return false;
    for (const ElementLayout& layout : kReadableLayouts)
        if (layout.type == elementType) return SafeArrayGetElemsize(array) == layout.size;
    return false;
}

HRESULT ReadArrayElement(SAFEARRAY* array, VARTYPE elementType, long index, Variant* out)
{
    VARIANT* target = out->Put();
    switch (elementType) {
    case VT_VARIANT: return SafeArrayGetElement(array, &index, target);
    case VT_DECIMAL: {
        // The DECIMAL overlays the whole VARIANT, its type field included.
        DECIMAL value{};
        const HRESULT hr = SafeArrayGetElement(array, &index, &value);
        if (FAILED(hr)) return hr;
        V_DECIMAL(target) = value;
        V_VT(target) = VT_DECIMAL;
        return S_OK;
    }
    default: {
        // Up to 8 bytes (or a BSTR pointer), the size HasReadableElements checked.
        const HRESULT hr = SafeArrayGetElement(array, &index, &V_UI1(target));
        if (SUCCEEDED(hr)) V_VT(target) = elementType;
        return hr;
    }
    }
}

}  // namespace nvx::facade
