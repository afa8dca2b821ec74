#pragma once
// Owning holder of one BSTR.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <string_view>

namespace nvx {

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : value_(text ? Allocate(text, wcslen(text)) : nullptr) {}
    explicit Bstr(std::wstring_view text) : value_(Allocate(text.data(), text.size())) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : value_(other.Detach()) {}
    Bstr& operator=(Bstr&& other) noexcept
    {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    ~Bstr() { SysFreeString(value_); }

    // A copy of a caller's BSTR, embedded NULs included; null stays null.
    static Bstr CopyOf(BSTR source)
    {
        Bstr copy;
        if (source) copy.value_ = Allocate(source, SysStringLen(source));
        return copy;
    }

    BSTR Get() const { return value_; }
    // For out-parameters: frees the current string first.
    BSTR* Put()
    {
        Reset();
        return &value_;
    }
    BSTR Detach()
    {
        BSTR value = value_;
        value_ = nullptr;
        return value;
    }
    void Reset(BSTR value = nullptr)
    {
        SysFreeString(value_);
        value_ = value;
    }
    UINT Length() const { return SysStringLen(value_); }
    std::wstring_view View() const { return value_ ? std::wstring_view(value_, Length()) : std::wstring_view(); }

private:
    static BSTR Allocate(const wchar_t* text, size_t length)
    {
        BSTR value = SysAllocStringLen(text, static_cast<UINT>(length));
        if (!value) throw std::bad_alloc();
        return value;
    }

    BSTR value_ = nullptr;
};

}  // namespace nvx
