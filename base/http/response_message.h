// A received HTTP response split into header text, header table and decoded
// body. Framing is lenient on purpose: the gateway in front of it is the
// strict parser, and error replies that are not HTTP at all must reach the
// SOAP reader as the body.
#pragma once

#include <cstdint>
#include <memory>

#include "base/http/header_block.h"
#include "base/http/text_block.h"

namespace nvx::http {

class HttpResponseMessage : public HttpTextBlock {
public:
    // Replaces everything held with the response in `text`:
    //  - text not starting with "HTTP" becomes the body, whole;
    //  - otherwise the header runs through the first empty line (no empty
    //    line: header and body stay empty) and the rest is the body, which
    //    is de-chunked and then inflated as the header asks. Content-Length
    //    and the status line are not interpreted.
    // The message keeps its own copy of the text with the body part
    // de-chunked; the caller's bytes are not touched.
    void Load(const char* text, std::uint32_t length) override;
    void Clear() noexcept override;

    const HttpHeaderBlock& Header() const noexcept { return header_; }
    const HttpTextBlock& Body() const noexcept { return body_; }
    std::uint32_t HeaderLength() const noexcept { return header_.Length(); }
    std::uint32_t BodyLength() const noexcept { return body_.Length(); }
    // CopyOut of the header text and of the body.
    std::uint32_t CopyHeader(std::unique_ptr<char[]>& buffer, std::uint32_t capacity) const;
    std::uint32_t CopyBody(std::unique_ptr<char[]>& buffer, std::uint32_t capacity) const;

private:
    void DecodeBody(char* body, std::uint32_t length);

    HttpHeaderBlock header_;
    HttpTextBlock body_;
};

}  // namespace nvx::http
