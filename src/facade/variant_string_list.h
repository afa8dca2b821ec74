#pragma once
// The argument names a caller passes as one VARIANT — a string, a string
// array, an array of VARIANTs, a by-reference VARIANT, a number — turned into
// a count and a list of ANSI strings.
#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

namespace nvx::facade {

class VariantStringList {
public:
    // Reads `source`; never changes or frees it.
    explicit VariantStringList(const VARIANT& source);
    virtual ~VariantStringList() = default;

    long Count() const { return static_cast<long>(names_.size()); }
    // Entry k, or null for an entry that was never filled (and for k out of range).
    const char* Name(long k) const;

private:
    // Converts `value` (already unwrapped of a VT_BYREF|VT_VARIANT, when
    // `nested`) by its type; sources that give no usable list give none.
    void Convert(const VARIANT& value, bool nested);
    void FromScalarText(std::string text);
    void FromArray(const VARIANT& value);
    void FromStringArray(SAFEARRAY* array, long lower, long upper);
    void FromVariantArray(SAFEARRAY* array, long lower, long upper);

    std::vector<std::optional<std::string>> names_;
};

}  // namespace nvx::facade
