#include "variants.h"

namespace nvx::test {
namespace {

// A VARIANT of `type` whose value `set` writes.
template <class Set>
OwnedVariant Holding(VARTYPE type, Set set)
{
    OwnedVariant result;
    V_VT(result.Get()) = type;
    set(*result.Get());
    return result;
}

// A one-dimensional array of `type` from `lowerBound` on; `put` stores each
// item at its index (SafeArrayPutElement copies BSTRs and VARIANTs).
template <class Items, class Put>
OwnedVariant ArrayOf(VARTYPE type, const Items& items, LONG lowerBound, Put put)
{
    SAFEARRAY* array = SafeArrayCreateVector(type, lowerBound, static_cast<ULONG>(items.size()));
    LONG index = lowerBound;
    for (const auto& item : items) {
        put(array, index, item);
        ++index;
    }
    return Holding(VT_ARRAY | type, [&](VARIANT& value) { V_ARRAY(&value) = array; });
}

template <class T>
OwnedVariant ArrayOf(VARTYPE type, std::initializer_list<T> items)
{
    return ArrayOf(type, items, 0,
                   [](SAFEARRAY* array, LONG index, T item) { SafeArrayPutElement(array, &index, &item); });
}

}  // namespace

OwnedVariant::OwnedVariant(const OwnedVariant& other)
{
    VariantInit(&value_);
    VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
}

OwnedVariant OwnedVariant::String(const wchar_t* text)
{
    return Holding(VT_BSTR, [&](VARIANT& value) { V_BSTR(&value) = text ? SysAllocString(text) : nullptr; });
}

OwnedVariant OwnedVariant::I2(SHORT number)
{
    return Holding(VT_I2, [&](VARIANT& value) { V_I2(&value) = number; });
}

OwnedVariant OwnedVariant::I4(LONG number)
{
    return Holding(VT_I4, [&](VARIANT& value) { V_I4(&value) = number; });
}

OwnedVariant OwnedVariant::R8(double number)
{
    return Holding(VT_R8, [&](VARIANT& value) { V_R8(&value) = number; });
}

OwnedVariant OwnedVariant::Bool(bool flag)
{
    return Holding(VT_BOOL, [&](VARIANT& value) { V_BOOL(&value) = flag ? VARIANT_TRUE : VARIANT_FALSE; });
}

OwnedVariant OwnedVariant::Date(DATE date)
{
    return Holding(VT_DATE, [&](VARIANT& value) { V_DATE(&value) = date; });
}

OwnedVariant OwnedVariant::Missing()
{
    return Holding(VT_ERROR, [](VARIANT& value) { V_ERROR(&value) = DISP_E_PARAMNOTFOUND; });
}

OwnedVariant OwnedVariant::StringArray(std::initializer_list<const wchar_t*> items, LONG lowerBound)
{
    return ArrayOf(VT_BSTR, items, lowerBound, [](SAFEARRAY* array, LONG index, const wchar_t* item) {
        BSTR text = SysAllocString(item);
        SafeArrayPutElement(array, &index, text);
        SysFreeString(text);
    });
}

OwnedVariant OwnedVariant::I4Array(std::initializer_list<LONG> items) { return ArrayOf<LONG>(VT_I4, items); }
OwnedVariant OwnedVariant::R8Array(std::initializer_list<double> items) { return ArrayOf<double>(VT_R8, items); }

OwnedVariant OwnedVariant::VariantArray(std::vector<OwnedVariant> items, LONG lowerBound)
{
    return ArrayOf(VT_VARIANT, items, lowerBound, [](SAFEARRAY* array, LONG index, const OwnedVariant& item) {
        SafeArrayPutElement(array, &index, const_cast<VARIANT*>(item.Get()));
    });
}

OwnedVariant OwnedVariant::Converted(const wchar_t* text, VARTYPE type)
{
    OwnedVariant source = String(text);
    if (type == VT_VARIANT) return source;
    OwnedVariant result;
    if (FAILED(VariantChangeType(result.Get(), source.Get(), 0, type))) VariantClear(result.Get());
    return result;
}

OwnedVariant OwnedVariant::TypedArray(VARTYPE type, std::initializer_list<const wchar_t*> texts)
{
    return ArrayOf(type, texts, 0, [type](SAFEARRAY* array, LONG index, const wchar_t* text) {
        OwnedVariant item = Converted(text, type);
        VARIANT& value = *item.Get();
        // SafeArrayPutElement takes strings and interfaces as they are, the
        // rest through a pointer to the value.
        void* data = &V_UI1(&value);
        if (type == VT_VARIANT) data = &value;
        if (type == VT_DECIMAL) data = &V_DECIMAL(&value);
        if (type == VT_BSTR) data = V_BSTR(&value);
        if (type == VT_UNKNOWN || type == VT_DISPATCH) data = nullptr;
        SafeArrayPutElement(array, &index, data);
    });
}

OwnedVariant OwnedVariant::Redeclared(OwnedVariant value, VARTYPE declared)
{
    V_VT(value.Get()) = static_cast<VARTYPE>(VT_ARRAY | declared);
    return value;
}

}  // namespace nvx::test
