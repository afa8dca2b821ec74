#pragma once
// Building the VARIANTs and SAFEARRAYs that clients pass, for tests.
#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <vector>

namespace nvx::test {

class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&value_); }
    OwnedVariant(const OwnedVariant& other);
    OwnedVariant& operator=(const OwnedVariant&) = delete;
    OwnedVariant(OwnedVariant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
    ~OwnedVariant() { VariantClear(&value_); }

    VARIANT* Get() { return &value_; }
    const VARIANT* Get() const { return &value_; }

    static OwnedVariant String(const wchar_t* text);  // null: a null BSTR
    static OwnedVariant I2(SHORT value);
    static OwnedVariant I4(LONG value);
    static OwnedVariant R8(double value);
    static OwnedVariant Bool(bool value);
    static OwnedVariant Date(DATE value);
    static OwnedVariant Missing();  // an omitted optional argument
    static OwnedVariant StringArray(std::initializer_list<const wchar_t*> items, LONG lowerBound = 0);
    static OwnedVariant I4Array(std::initializer_list<LONG> items);
    static OwnedVariant R8Array(std::initializer_list<double> items);
    static OwnedVariant VariantArray(std::vector<OwnedVariant> items, LONG lowerBound = 0);
    // `text` converted to `type` (VT_EMPTY when it does not convert; a string
    // for VT_VARIANT).
    static OwnedVariant Converted(const wchar_t* text, VARTYPE type);
    // An array of `type` holding each text converted to that type; an array of
    // VT_VARIANT holds the texts as strings.
    static OwnedVariant TypedArray(VARTYPE type, std::initializer_list<const wchar_t*> texts);
    // `value`'s array declared as holding `declared` elements, whatever it holds.
    static OwnedVariant Redeclared(OwnedVariant value, VARTYPE declared);

private:
    VARIANT value_;
};

}  // namespace nvx::test
