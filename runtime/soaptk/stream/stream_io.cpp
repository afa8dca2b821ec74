#include "runtime/soaptk/stream/stream_io.h"

#include <algorithm>

namespace nvx::soaptk {
namespace {

constexpr ULONG kWriteChunk = 1u << 30;  // the most one call moves
constexpr ULONG kReadChunk = 16u * 1024u;

}  // namespace

HRESULT WriteAll(ISequentialStream* stream, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ULONG size = static_cast<ULONG>(std::min<size_t>(bytes.size(), kWriteChunk));
        ULONG written = 0;
        const HRESULT hr = stream->Write(bytes.data(), size, &written);
        if (FAILED(hr)) return hr;
        // A stream that takes nothing would never let this loop end.
        if (written == 0) return STG_E_MEDIUMFULL;
        bytes.remove_prefix(std::min<size_t>(written, size));
    }
    return S_OK;
}

// Reads go into the room the vector already has (a caller that knew the size
// reserved it) or else into a small chunk: a large buffer made and freed on
// every call is memory the system maps and unmaps each time.
HRESULT ReadToEnd(ISequentialStream* stream, size_t limit, std::vector<char>* bytes)
{
    // Every round either reads at least one byte, bounded by `limit`, or ends.
    for (;;) {
        const size_t start = bytes->size();
        const size_t spare = bytes->capacity() - start;
        const ULONG room = spare > 0 ? static_cast<ULONG>(std::min<size_t>(spare, kWriteChunk)) : kReadChunk;
        bytes->resize(start + room);
        ULONG read = 0;
        const HRESULT hr = stream->Read(bytes->data() + start, room, &read);
        read = std::min(read, room);
        bytes->resize(start + read);
        if (FAILED(hr)) return hr;
        if (read == 0) return S_OK;
        if (bytes->size() > limit) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    }
}

}  // namespace nvx::soaptk
