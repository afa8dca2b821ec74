#pragma once
// Owning holder of one VARIANT.
#include <windows.h>
#include <oleauto.h>

#include "base/common/automation_layout.h"

namespace nvx {

class Variant {
public:
    Variant() { VariantInit(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&value_); }

    VARIANT* Get() { return &value_; }
    const VARIANT* Get() const { return &value_; }
    VARIANT& operator*() { return value_; }
    const VARIANT& operator*() const { return value_; }
    VARIANT* operator->() { return &value_; }
    const VARIANT* operator->() const { return &value_; }
    // For out-parameters: clears the current value first.
    VARIANT* Put()
    {
        VariantClear(&value_);
        return &value_;
    }
    // Hands the value to a caller's VARIANT, which must be empty or cleared.
    void Detach(VARIANT* out)
    {
        *out = value_;
        VariantInit(&value_);
    }

private:
    VARIANT value_;
};

}  // namespace nvx
