#pragma once
// The bytes of a message waiting in a stream.
#include <windows.h>
#include <objidl.h>

#include <vector>

namespace nvx::soaptk {

// Asks the stream for its state first — a stream that carries an answer still
// on its way waits for it there — and then reads it from its current position
// to its end, up to kMaxMessageSize bytes.
HRESULT ReadMessage(IStream* stream, std::vector<char>* bytes);

}  // namespace nvx::soaptk
