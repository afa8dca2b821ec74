#include "variants.h"

namespace nvx::test {
namespace {

template <class T>
OwnedVariant ArrayOf(VARTYPE type, std::initializer_list<T> items, LONG lowerBound)
{
    OwnedVariant result;
    SAFEARRAY* array = SafeArrayCreateVector(type, lowerBound, static_cast<ULONG>(items.size()));
    LONG index = lowerBound;
    for (T item : items) {
        SafeArrayPutElement(array, &index, const_cast<void*>(static_cast<const void*>(&item)));
        ++index;
    }
    V_VT(result.Get()) = VT_ARRAY | type;
    V_ARRAY(result.Get()) = array;
    return result;
}

}  // namespace

OwnedVariant::OwnedVariant(const OwnedVariant& other)
{
    VariantInit(&value_);
    VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
}

OwnedVariant OwnedVariant::String(const wchar_t* text)
{
    OwnedVariant result;
    V_VT(result.Get()) = VT_BSTR;
    V_BSTR(result.Get()) = text ? SysAllocString(text) : nullptr;
    return result;
}

OwnedVariant OwnedVariant::I2(SHORT value)
{
    OwnedVariant result;
    V_VT(result.Get()) = VT_I2;
    V_I2(result.Get()) = value;
    return result;
}

OwnedVariant OwnedVariant::I4(LONG value)
{
    OwnedVariant result;
    V_VT(result.Get()) = VT_I4;
    V_I4(result.Get()) = value;
    return result;
}

OwnedVariant OwnedVariant::R8(double value)
{
    OwnedVariant result;
    V_VT(result.Get()) = VT_R8;
    V_R8(result.Get()) = value;
    return result;
}

OwnedVariant OwnedVariant::Bool(bool value)
{
    OwnedVariant result;
    V_VT(result.Get()) = VT_BOOL;
    V_BOOL(result.Get()) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return result;
}

OwnedVariant OwnedVariant::Date(DATE value)
{
    OwnedVariant result;
    V_VT(result.Get()) = VT_DATE;
    V_DATE(result.Get()) = value;
    return result;
}

OwnedVariant OwnedVariant::Missing()
{
    OwnedVariant result;
    V_VT(result.Get()) = VT_ERROR;
    V_ERROR(result.Get()) = DISP_E_PARAMNOTFOUND;
    return result;
}

OwnedVariant OwnedVariant::StringArray(std::initializer_list<const wchar_t*> items, LONG lowerBound)
{
    OwnedVariant result;
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, lowerBound, static_cast<ULONG>(items.size()));
    LONG index = lowerBound;
    for (const wchar_t* item : items) {
        BSTR text = SysAllocString(item);
        SafeArrayPutElement(array, &index, text);
        SysFreeString(text);
        ++index;
    }
    V_VT(result.Get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(result.Get()) = array;
    return result;
}

OwnedVariant OwnedVariant::I4Array(std::initializer_list<LONG> items) { return ArrayOf<LONG>(VT_I4, items, 0); }
OwnedVariant OwnedVariant::R8Array(std::initializer_list<double> items) { return ArrayOf<double>(VT_R8, items, 0); }

OwnedVariant OwnedVariant::VariantArray(std::vector<OwnedVariant> items, LONG lowerBound)
{
    OwnedVariant result;
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, lowerBound, static_cast<ULONG>(items.size()));
    LONG index = lowerBound;
    for (auto& item : items) {
        SafeArrayPutElement(array, &index, item.Get());
        ++index;
    }
    V_VT(result.Get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(result.Get()) = array;
    return result;
}

}  // namespace nvx::test
