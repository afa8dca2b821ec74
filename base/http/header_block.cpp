#include "base/http/header_block.h"

#include <new>

#include "base/http/ascii_text.h"

namespace nvx::http {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr char kNameSeparator = ':';

constexpr std::string_view kContentEncoding = "Content-Encoding";
constexpr std::string_view kTransferEncoding = "Transfer-Encoding";
constexpr std::string_view kDeflateCoding = "deflate";
constexpr std::string_view kGzipCoding = "gzip";
// Recipients are asked to treat the old name like "gzip" (RFC 9110, 8.4.1.3).
constexpr std::string_view kLegacyGzipCoding = "x-gzip";
constexpr std::string_view kChunkedCoding = "chunked";

}  // namespace

void HttpHeaderBlock::Load(const char* text, std::uint32_t length)
{
    ResetTable();
    if (text != nullptr) {
        const std::string_view whole(text, length);
        std::size_t lineStart = 0;
        // Text after the last CR LF is not a line and is ignored.
        for (std::size_t lineEnd = whole.find(kLineEnd); lineEnd != std::string_view::npos;
             lineEnd = whole.find(kLineEnd, lineStart)) {
            AddLine(whole.substr(lineStart, lineEnd - lineStart));
            lineStart = lineEnd + kLineEnd.size();
        }
        SetCodingFlags();
    }
    HttpTextBlock::Load(text, length);
}

void HttpHeaderBlock::Clear() noexcept
{
    HttpTextBlock::Clear();
    ResetTable();
}

void HttpHeaderBlock::ResetTable() noexcept
{
    table_.clear();
    deflate_ = gzip_ = chunked_ = false;
}

std::optional<std::string_view> HttpHeaderBlock::Find(std::string_view name) const
{
    const auto entry = table_.find(name);
    if (entry == table_.end()) {
        return std::nullopt;
    }
    return entry->second;
}

void HttpHeaderBlock::AddLine(std::string_view line)
{
    const std::size_t separator = line.find(kNameSeparator);
    if (separator == std::string_view::npos) {
        return;
    }
    try {
        table_.try_emplace(std::string(TrimSpaces(line.substr(0, separator))), TrimSpaces(line.substr(separator + 1)));
    } catch (const std::bad_alloc&) {
        // A line that cannot be stored is dropped; the rest of the table stands.
    }
}

void HttpHeaderBlock::SetCodingFlags()
{
    if (const auto coding = Find(kContentEncoding)) {
        deflate_ = EqualsNoCase(*coding, kDeflateCoding);
        gzip_ = EqualsNoCase(*coding, kGzipCoding) || EqualsNoCase(*coding, kLegacyGzipCoding);
    }
    if (const auto coding = Find(kTransferEncoding)) {
        chunked_ = EqualsNoCase(*coding, kChunkedCoding);
    }
}

}  // namespace nvx::http
