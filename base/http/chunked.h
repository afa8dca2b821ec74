// Chunked transfer coding, undone in place inside the received text.
#pragma once

#include <cstdint>

namespace nvx::http {

// Reads the chunk-size line that starts at `position` (never reading at or
// past `end`) into `size` and returns where the chunk's data begins: after
// the line's CR LF, or `end` when the line has none. An empty line or one
// without hexadecimal digits gives size 0 and returns `position`. Only the
// first nine characters are read as the number, so chunk extensions after a
// semicolon are skipped; a number too large for 32 bits saturates, which is
// always more than the body can hold.
const char* ReadChunkSize(const char* position, const char* end, std::uint32_t& size);

// Rewrites the chunked body [start, start + length) so that it holds only the
// chunk data, back to back, and returns the decoded length. The last chunk
// ends the body (trailers are dropped). Data that ends early or a size that
// claims more than is there ends the decoding with what was decoded so far;
// nothing outside the range is read or written.
std::uint32_t DechunkInPlace(char* start, std::uint32_t length);

}  // namespace nvx::http
