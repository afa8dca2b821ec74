#include "runtime/soaptk/reader/message_bytes.h"

#include "runtime/soaptk/stream/stream_io.h"

namespace nvx::soaptk {

HRESULT ReadMessage(IStream* stream, std::vector<char>* bytes)
{
    // Only the wait matters here: streams that cannot describe themselves are
    // read all the same. The byte beyond the size is room for the read that
    // finds the end.
    STATSTG state{};
    if (SUCCEEDED(stream->Stat(&state, STATFLAG_NONAME)) && state.cbSize.QuadPart <= kMaxMessageSize)
        bytes->reserve(static_cast<size_t>(state.cbSize.QuadPart) + 1);
    return ReadToEnd(stream, kMaxMessageSize, bytes);
}

}  // namespace nvx::soaptk
