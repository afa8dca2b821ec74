#pragma once
// Text between the console (UTF-8) and COM (BSTR), and the few owners of COM
// values that nvxcall needs.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace nvxcall {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8);
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return value_; }
    BSTR* Out() { return &value_; }
    std::string Utf8Text() const { return value_ ? Utf8({value_, SysStringLen(value_)}) : std::string(); }

private:
    BSTR value_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* Get() { return &value_; }
    const VARIANT& Ref() const { return value_; }

private:
    VARIANT value_;
};

// A value as text, in the invariant locale (so scripts see "1.5", "True").
std::string TextOf(const VARIANT& value);

// The description the failed call left in the thread's error object, or the
// system's text for the status when there is none.
std::string ErrorDescription(HRESULT status);

}  // namespace nvxcall
