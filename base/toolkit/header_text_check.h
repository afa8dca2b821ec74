#pragma once
// The check both connectors make on a property value before it joins the
// request head, so that a refused value fails the same way on either
// transport: E_INVALIDARG, and an error description that names the property.
#include <windows.h>

#include <string_view>

namespace nvx::toolkit {

enum class HeaderPart {
    Value,          // a header line's value: no CR, LF or NUL
    RequestTarget,  // a URL: no control character or space either
};

// S_OK when `value` may stand in the request head as `part`.
HRESULT CheckHeaderText(std::wstring_view property, std::wstring_view value, HeaderPart part) noexcept;
// The same for the narrow text a connector sends as it is.
HRESULT CheckHeaderText(std::wstring_view property, std::string_view value, HeaderPart part) noexcept;

}  // namespace nvx::toolkit
