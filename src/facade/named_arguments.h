#pragma once
// Named-argument binding: the caller's argument names and values matched to a
// WSDL operation's parameter parts, giving the positional, by-reference
// argument block an IDispatch::Invoke of that operation takes.
#include <windows.h>
#include <oleauto.h>

#include <span>
#include <string>
#include <vector>

namespace nvx::facade {

struct ParameterPart {
    std::wstring elementName;
    VARTYPE type;
};

// The arguments of one call and the values they point at; both live as long
// as this object, so the block stays valid until the call has returned.
class ArgumentBlock {
public:
    ArgumentBlock() = default;
    ArgumentBlock(const ArgumentBlock&) = delete;
    ArgumentBlock& operator=(const ArgumentBlock&) = delete;
    ~ArgumentBlock();

    // Sizes the block for `count` parameters, all VT_EMPTY.
    void Reset(size_t count);
    DISPPARAMS* Params() { return &params_; }
    VARIANT& Argument(size_t position) { return arguments_[position]; }
    VARIANT& Value(size_t part) { return values_[part]; }

private:
    void Clear();

    std::vector<VARIANT> arguments_;
    std::vector<VARIANT> values_;
    DISPPARAMS params_{};
};

// For each part, in order, the value at the position where `names` holds the
// part's element name (exact comparison) is converted to text and then to the
// part's type, and passed by reference; arguments stand in reverse order. A
// part of complex type (VT_DISPATCH) takes its value as it is, by reference
// to a VARIANT, when that is XML text, an XML node or a two-dimensional table;
// any other value is DISP_E_TYPEMISMATCH. A part whose name is absent is
// passed as VT_EMPTY. Stops at the first value that cannot be converted and
// returns that conversion's status, with the part's index in `*failedPart`.
HRESULT BindNamedArguments(std::span<const ParameterPart> parts, const VARIANT& names, const VARIANT& values,
                           ArgumentBlock* block, size_t* failedPart = nullptr);

}  // namespace nvx::facade
