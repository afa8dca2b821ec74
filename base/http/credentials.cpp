#include "base/http/credentials.h"

#include <algorithm>
#include <cstdint>

#include "base/http/ascii_text.h"

namespace nvx::http {
namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kBasicScheme = "Basic ";
constexpr std::string_view kHiddenMark = "(hidden)";
constexpr std::string_view kCredentialHeaders[] = {kAuthorizationHeader, "Proxy-Authorization"};

std::string Base64(std::string_view bytes)
{
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t position = 0; position < bytes.size(); position += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - position);
        std::uint32_t group = 0;
        for (std::size_t index = 0; index < 3; ++index)
            group = (group << 8) | (index < count ? static_cast<unsigned char>(bytes[position + index]) : 0u);
        for (std::size_t index = 0; index < 4; ++index)
            encoded += index <= count ? kBase64Alphabet[(group >> (18 - 6 * index)) & 0x3F] : '=';
    }
    return encoded;
}

// Where the value of a credential header line starting at `line` begins,
// or npos when the line is no such header.
std::size_t CredentialValueStart(std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::string_view::npos;
    const std::string_view name = TrimSpaces(line.substr(0, colon));
    for (const std::string_view header : kCredentialHeaders)
        if (EqualsNoCase(name, header)) return colon + 1;
    return std::string_view::npos;
}

// The line's value with everything after its first word (the scheme) hidden.
std::string HiddenValue(std::string_view value)
{
    const std::size_t schemeStart = value.find_first_not_of(" \t");
    if (schemeStart == std::string_view::npos) return std::string(value);
    const std::size_t schemeEnd = std::min(value.find_first_of(" \t", schemeStart), value.size());
    if (schemeEnd == value.size()) return std::string(value.substr(0, schemeStart)).append(kHiddenMark);
    return std::string(value.substr(0, schemeEnd + 1)).append(kHiddenMark);
}

}  // namespace

std::string BasicAuthorization(std::string_view user, std::string_view password)
{
    std::string pair(user);
    pair += ':';
    pair += password;
    return std::string(kBasicScheme) + Base64(pair);
}

std::string WithCredentialsHidden(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t lineStart = 0; lineStart < text.size();) {
        std::size_t lineEnd = text.find('\n', lineStart);
        lineEnd = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        const std::size_t valueStart = CredentialValueStart(line);
        if (valueStart == std::string_view::npos) {
            out.append(line);
        } else {
            std::size_t valueEnd = line.size();
            while (valueEnd > valueStart && (line[valueEnd - 1] == '\n' || line[valueEnd - 1] == '\r')) --valueEnd;
            out.append(line.substr(0, valueStart));
            out.append(HiddenValue(line.substr(valueStart, valueEnd - valueStart)));
            out.append(line.substr(valueEnd));
        }
        lineStart = lineEnd;
    }
    return out;
}

}  // namespace nvx::http
