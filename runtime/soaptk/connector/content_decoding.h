#pragma once
// Undoing the Content-Encoding of an answer before the reader sees it.
#include <windows.h>

#include <string_view>
#include <vector>

namespace nvx::soaptk {

// Inflates `body` in place when `contentEncoding` is gzip or deflate (a zlib
// stream or, as many servers send it, raw deflate); any other encoding is
// left as it is. Fails when the compressed data is broken or would inflate to
// more than the message limit.
HRESULT DecodeContent(std::wstring_view contentEncoding, std::vector<char>* body);

}  // namespace nvx::soaptk
