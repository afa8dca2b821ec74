#include "base/toolkit/header_text_check.h"

#include <string>

#include "base/common/error_info.h"
#include "base/common/text.h"
#include "base/http/header_text.h"
#include "mssoap.h"

namespace nvx::toolkit {
namespace {

template <class Char>
bool Fits(std::basic_string_view<Char> value, HeaderPart part)
{
    return part == HeaderPart::Value ? http::IsHeaderValueText(value) : http::IsRequestTargetText(value);
}

HRESULT Refuse(std::wstring_view property, HeaderPart part) noexcept
{
    try {
        std::wstring description = L"Invalid value for connector property ";
        description.append(property).append(L": ");
        description += WideFromAnsi(part == HeaderPart::Value ? http::kHeaderValueRule : http::kRequestTargetRule);
        return ReportFailure(E_INVALIDARG, IID_ISoapConnector, description);
    } catch (...) {
        return E_INVALIDARG;
    }
}

}  // namespace

HRESULT CheckHeaderText(std::wstring_view property, std::wstring_view value, HeaderPart part) noexcept
{
    return Fits(value, part) ? S_OK : Refuse(property, part);
}

HRESULT CheckHeaderText(std::wstring_view property, std::string_view value, HeaderPart part) noexcept
{
    return Fits(value, part) ? S_OK : Refuse(property, part);
}

}  // namespace nvx::toolkit
