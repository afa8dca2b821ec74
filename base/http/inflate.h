// Undoing a compressed Content-Encoding ("deflate" or "gzip").
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace nvx::http {

// The largest body inflating may produce. A response over the gateway is at
// most 2 MiB; this leaves room for highly compressible SOAP while keeping a
// decompression bomb from taking the process's memory.
inline constexpr std::size_t kMaxInflatedBodySize = 64u * 1024u * 1024u;

// The body to keep for compressed bytes: the inflated data of a complete raw
// deflate, zlib or gzip stream (the wrapper is recognised by its header), or
// an unchanged copy of the input when it is none of these. Returns nothing
// when no body can be delivered: the output would exceed
// kMaxInflatedBodySize, or memory ran out.
std::optional<std::vector<char>> InflateBody(const char* bytes, std::uint32_t length);

}  // namespace nvx::http
