// The header text of a received response and the table parsed from it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/http/ascii_text.h"
#include "base/http/text_block.h"

namespace nvx::http {

// Header name to value. Field names are case-insensitive (RFC 9110, 5.1):
// "transfer-encoding" finds "Transfer-Encoding", and of two lines whose names
// differ only in case the first one wins.
using HeaderTable = std::map<std::string, std::string, LessNoCase>;

class HttpHeaderBlock : public HttpTextBlock {
public:
    // Keeps the text and parses its CR LF-ended lines into the table. A bare
    // LF does not end a line, a line without a colon adds nothing, and only
    // Content-Encoding and Transfer-Encoding set flags.
    void Load(const char* text, std::uint32_t length) override;
    void Clear() noexcept override;

    const HeaderTable& Headers() const noexcept { return table_; }
    std::optional<std::string_view> Find(std::string_view name) const;

    bool IsDeflate() const noexcept { return deflate_; }
    bool IsGzip() const noexcept { return gzip_; }
    bool IsChunked() const noexcept { return chunked_; }

private:
    void ResetTable() noexcept;
    void AddLine(std::string_view line);
    void SetCodingFlags();

    HeaderTable table_;
    bool deflate_ = false;
    bool gzip_ = false;
    bool chunked_ = false;
};

}  // namespace nvx::http
