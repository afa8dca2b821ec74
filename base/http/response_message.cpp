#include "base/http/response_message.h"

#include <string_view>
#include <utility>

#include "base/http/chunked.h"
#include "base/http/inflate.h"

namespace nvx::http {
namespace {

constexpr std::string_view kHttpMarker = "HTTP";
constexpr std::string_view kHeaderEnd = "\r\n\r\n";

}  // namespace

void HttpResponseMessage::Load(const char* text, std::uint32_t length)
{
    header_.Clear();
    body_.Clear();
    // Decoding works on the message's own copy. When that copy cannot be
    // had the message stays empty, which readers take as "no answer".
    HttpTextBlock::Load(text, length);
    if (Length() == 0) {
        return;
    }
    const std::string_view whole = View();
    if (!whole.starts_with(kHttpMarker)) {
        body_.Load(whole.data(), length);
        return;
    }
    const std::size_t headerEnd = whole.find(kHeaderEnd);
    if (headerEnd == std::string_view::npos) {
        return;
    }
    const auto headerLength = static_cast<std::uint32_t>(headerEnd + kHeaderEnd.size());
    header_.Load(whole.data(), headerLength);
    DecodeBody(MutableData() + headerLength, length - headerLength);
}

void HttpResponseMessage::DecodeBody(char* body, std::uint32_t length)
{
    if (length == 0) {
        return;
    }
    if (header_.IsChunked()) {
        length = DechunkInPlace(body, length);
    }
    if (header_.IsDeflate() || header_.IsGzip()) {
        // No inflated body (too large, out of memory) leaves the body empty.
        if (auto inflated = InflateBody(body, length)) {
            body_.Assign(std::move(*inflated));
        }
        return;
    }
    body_.Load(body, length);
}

void HttpResponseMessage::Clear() noexcept
{
    HttpTextBlock::Clear();
    header_.Clear();
    body_.Clear();
}

std::uint32_t HttpResponseMessage::CopyHeader(std::unique_ptr<char[]>& buffer, std::uint32_t capacity) const
{
    return CopyOut(header_, buffer, capacity);
}

std::uint32_t HttpResponseMessage::CopyBody(std::unique_ptr<char[]>& buffer, std::uint32_t capacity) const
{
    return CopyOut(body_, buffer, capacity);
}

}  // namespace nvx::http
