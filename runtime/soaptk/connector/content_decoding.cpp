#include "runtime/soaptk/connector/content_decoding.h"

#include "base/http/inflate.h"
#include "runtime/soaptk/text/ignoring_case.h"

namespace nvx::soaptk {
namespace {

constexpr std::wstring_view kCompressedEncodings[] = {L"gzip", L"x-gzip", L"deflate"};

std::wstring_view Trimmed(std::wstring_view text)
{
    const size_t first = text.find_first_not_of(L" \t");
    if (first == text.npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

bool IsCompressed(std::wstring_view contentEncoding)
{
    const std::wstring_view encoding = Trimmed(contentEncoding);
    for (std::wstring_view compressed : kCompressedEncodings)
        if (EqualsIgnoringCase(encoding, compressed)) return true;
    return false;
}

}  // namespace

HRESULT DecodeContent(std::wstring_view contentEncoding, std::vector<char>* body)
{
    if (body->empty() || !IsCompressed(contentEncoding)) return S_OK;
    std::optional<std::vector<char>> inflated =
        http::InflateBody(body->data(), static_cast<std::uint32_t>(body->size()));
    if (!inflated) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    *body = std::move(*inflated);
    return S_OK;
}

}  // namespace nvx::soaptk
