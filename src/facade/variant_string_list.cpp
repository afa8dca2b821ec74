#include "src/facade/variant_string_list.h"

#include <cmath>
#include <cstdio>

#include "base/common/bstr.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "src/facade/array_element.h"

namespace nvx::facade {
namespace {

std::string DecimalText(long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%ld", value);
    return text;
}

// The whole days of a date, cut towards zero (2.75 gives 2, -1.5 gives -1).
std::string DateDaysText(DATE date) { return DecimalText(static_cast<long>(std::trunc(date))); }

// Bounds of the only dimension of a one-dimensional array.
bool OneDimensionBounds(SAFEARRAY* array, long* lower, long* upper)
{
    if (!array || SafeArrayGetDim(array) != 1) return false;
    return SUCCEEDED(SafeArrayGetLBound(array, 1, lower)) && SUCCEEDED(SafeArrayGetUBound(array, 1, upper)) &&
           *upper >= *lower - 1;
}

}  // namespace

VariantStringList::VariantStringList(const VARIANT& source) { Convert(source, false); }

const char* VariantStringList::Name(long k) const
{
    if (k < 0 || k >= Count() || !names_[k]) return nullptr;
    return names_[k]->c_str();
}

void VariantStringList::FromScalarText(std::string text) { names_.emplace_back(std::move(text)); }

void VariantStringList::Convert(const VARIANT& value, bool nested)
{
    const VARTYPE type = V_VT(&value);
    if (type & VT_ARRAY) {
        // A by-reference array at the top level gives no usable list.
        if (!(type & VT_BYREF)) FromArray(value);
        return;
    }
    switch (type) {
    case VT_BSTR:
        if (V_BSTR(&value)) FromScalarText(AnsiFromWide(ViewOf(V_BSTR(&value))));
        return;
    case VT_I2: return FromScalarText(DecimalText(V_I2(&value)));
    case VT_BOOL: return FromScalarText(DecimalText(V_BOOL(&value)));
    case VT_I4: return FromScalarText(DecimalText(V_I4(&value)));
    case VT_DATE: return FromScalarText(DateDaysText(V_DATE(&value)));
    case VT_BYREF | VT_I2: return FromScalarText(DecimalText(*V_I2REF(&value)));
    case VT_BYREF | VT_BOOL: return FromScalarText(DecimalText(*V_BOOLREF(&value)));
    case VT_BYREF | VT_I4: return FromScalarText(DecimalText(*V_I4REF(&value)));
    case VT_BYREF | VT_DATE:
        if (!nested) FromScalarText(DateDaysText(*V_DATEREF(&value)));
        return;
    case VT_BYREF | VT_BSTR:
        if (!nested && *V_BSTRREF(&value)) FromScalarText(AnsiFromWide(ViewOf(*V_BSTRREF(&value))));
        return;
    case VT_BYREF | VT_VARIANT:
        // One level deep: what a script passes for a variable.
        if (!nested && V_VARIANTREF(&value)) Convert(*V_VARIANTREF(&value), true);
        return;
    default: return;  // VT_EMPTY, VT_ERROR (an omitted argument) and the rest: no names
    }
}

void VariantStringList::FromArray(const VARIANT& value)
{
    SAFEARRAY* array = V_ARRAY(&value);
    long lower = 0, upper = -1;
    const VARTYPE elementType = V_VT(&value) & VT_TYPEMASK;
    // Elements are read at the size of their declared type, so the array
    // must hold what it is declared to hold.
    if (!OneDimensionBounds(array, &lower, &upper) || !HasReadableElements(array, elementType)) return;
    switch (elementType) {
    case VT_BSTR: return FromStringArray(array, lower, upper);
    case VT_VARIANT: return FromVariantArray(array, lower, upper);
    case VT_I2:
    case VT_I4:
    case VT_DATE:
        // Numbers are not names: one unfilled entry per element.
        names_.resize(static_cast<size_t>(upper - lower + 1));
        return;
    default: return;
    }
}

void VariantStringList::FromStringArray(SAFEARRAY* array, long lower, long upper)
{
    for (long index = lower; index <= upper; ++index) {
        Bstr element;
        if (SUCCEEDED(SafeArrayGetElement(array, &index, element.Put())) && element.Get())
            names_.emplace_back(AnsiFromWide(element.View()));
        else
            names_.emplace_back(std::nullopt);
    }
}

// String elements fill the entries in turn, whatever their index; the
// entries left over at the end stay unfilled.
void VariantStringList::FromVariantArray(SAFEARRAY* array, long lower, long upper)
{
    names_.resize(static_cast<size_t>(upper - lower + 1));
    size_t next = 0;
    for (long index = lower; index <= upper; ++index) {
        Variant element;
        if (FAILED(SafeArrayGetElement(array, &index, element.Put()))) continue;
        if (V_VT(element.Get()) == VT_BSTR && V_BSTR(element.Get()))
            names_[next++] = AnsiFromWide(ViewOf(V_BSTR(element.Get())));
    }
}

}  // namespace nvx::facade
