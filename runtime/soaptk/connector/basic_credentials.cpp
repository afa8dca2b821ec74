#include "runtime/soaptk/connector/basic_credentials.h"

#include <algorithm>
#include <cstdint>

#include "base/common/text.h"

namespace nvx::soaptk {
namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::wstring Base64(std::string_view bytes)
{
    std::wstring encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t position = 0; position < bytes.size(); position += 3) {
        const size_t count = std::min<size_t>(3, bytes.size() - position);
        std::uint32_t group = 0;
        for (size_t index = 0; index < 3; ++index)
            group = (group << 8) | (index < count ? static_cast<unsigned char>(bytes[position + index]) : 0u);
        for (size_t index = 0; index < 4; ++index)
            encoded +=
                index <= count ? static_cast<wchar_t>(kBase64Alphabet[(group >> (18 - 6 * index)) & 0x3F]) : L'=';
    }
    return encoded;
}

}  // namespace

std::wstring BasicAuthorizationHeader(std::wstring_view user, std::wstring_view password)
{
    std::wstring credentials(user);
    credentials += L':';
    credentials += password;
    return L"Authorization: Basic " + Base64(Utf8FromWide(credentials)) + L"\r\n";
}

}  // namespace nvx::soaptk
