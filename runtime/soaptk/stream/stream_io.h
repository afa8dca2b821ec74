#pragma once
// Whole writes and bounded whole reads on the streams the toolkit objects are
// given.
#include <windows.h>
#include <objidl.h>

#include <cstddef>
#include <string_view>
#include <vector>

namespace nvx::soaptk {

// The largest message read from a stream: far beyond any SOAP answer the
// library expects, small enough that a runaway stream cannot take the
// process's memory.
inline constexpr size_t kMaxMessageSize = 64u * 1024u * 1024u;

// Writes all of `bytes`, however the stream splits the writes.
HRESULT WriteAll(ISequentialStream* stream, std::string_view bytes);

// Appends what the stream holds from its current position to its end.
// HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE) when that is more than `limit`.
HRESULT ReadToEnd(ISequentialStream* stream, size_t limit, std::vector<char>* bytes);

}  // namespace nvx::soaptk
