// The gateway's wire format: one 16-byte frame header followed by a serialized
// buffer. Shared by the gateway (Linux) and the client library (Windows, MinGW),
// so it stays free of sockets, OS headers and anything beyond the C++20 library.
// Every integer is little-endian on the wire and is moved byte by byte: the
// layout must not depend on the compiler's struct packing or the host's byte order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>
#include <vector>

namespace nxcomm {

using Bytes = std::span<const std::uint8_t>;
using MutableBytes = std::span<std::uint8_t>;

inline constexpr std::uint16_t kDefaultPort = 7575;
inline constexpr std::uint16_t kHttpRelayService = 2048;  // the one service the gateway offers
inline constexpr std::uint16_t kRequestAnswerMode = 2;    // mode of every request
inline constexpr std::uint16_t kAnswerMode = 0;           // mode of every answer
// Mode of the last answer on a connection the gateway closes (it is draining):
// the client sends its next request on a new connection.
inline constexpr std::uint16_t kLastAnswerMode = 1;

inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kSerializedPrefixSize = 8;  // data_length + piece_count
inline constexpr std::size_t kPieceLengthSize = 4;

// A serialized buffer may hold at most this many pieces; more is treated as malformed.
inline constexpr std::uint32_t kMaxPieceCount = 65536;

// The client copies a whole answer frame into a receive area of this size, so
// the gateway's default response limit is what still fits there as one piece.
inline constexpr std::size_t kClientReceiveArea = 2097152;
inline constexpr std::size_t kSinglePieceOverhead =
    kHeaderSize + kSerializedPrefixSize + kPieceLengthSize;
inline constexpr std::size_t kMaxSinglePieceAnswer = kClientReceiveArea - kSinglePieceOverhead;

struct FrameHeader {
    std::uint32_t request_id = 0;
    std::uint16_t service = 0;     // request: service addressed; answer: service of the request
    std::uint16_t mode = 0;        // request: kRequestAnswerMode; answer: kAnswerMode
    std::uint32_t timeout_ms = 0;  // request: 0 = gateway default; answer: 0
    std::uint32_t payload_length = 0;

    friend bool operator==(const FrameHeader&, const FrameHeader&) = default;
};

inline void put_u16(MutableBytes out, std::size_t at, std::uint16_t value)
{
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void put_u32(MutableBytes out, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint16_t get_u16(Bytes in, std::size_t at)
{
    return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

inline std::uint32_t get_u32(Bytes in, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
    return value;
}

inline void encode_header(const FrameHeader& header, std::span<std::uint8_t, kHeaderSize> out)
{
    put_u32(out, 0, header.request_id);
    put_u16(out, 4, header.service);
    put_u16(out, 6, header.mode);
    put_u32(out, 8, header.timeout_ms);
    put_u32(out, 12, header.payload_length);
}

inline FrameHeader decode_header(std::span<const std::uint8_t, kHeaderSize> in)
{
    return FrameHeader{get_u32(in, 0), get_u16(in, 4), get_u16(in, 6), get_u32(in, 8),
                       get_u32(in, 12)};
}

// Why a serialized buffer was refused; the gateway names it in its error page.
enum class BufferError {
    none,
    truncated_prefix,  // fewer than 8 bytes
    too_many_pieces,   // piece_count above kMaxPieceCount
    piece_overrun,     // a piece length or its bytes run past the end
    length_mismatch,   // data_length differs from the sum of piece lengths
    trailing_bytes,    // bytes left over after the last piece
};

inline const char* describe(BufferError error)
{
    switch (error) {
    case BufferError::none: return "well formed";
    case BufferError::truncated_prefix: return "shorter than its 8-byte prefix";
    case BufferError::too_many_pieces: return "too many pieces";
    case BufferError::piece_overrun: return "a piece runs past the end";
    case BufferError::length_mismatch: return "data length differs from the sum of its pieces";
    case BufferError::trailing_bytes: return "bytes follow the last piece";
    }
    return "malformed";
}

struct ParsedBuffer {
    BufferError error = BufferError::none;
    std::uint32_t data_length = 0;
    std::vector<Bytes> pieces;  // views into the parsed bytes, in order
};

// Splits a serialized buffer into views of its pieces. The input must be exactly
// one serialized buffer: every length is checked against what remains before it
// is used, so malformed input can never lead outside `in`.
inline ParsedBuffer parse_serialized(Bytes in)
{
    ParsedBuffer result;
    if (in.size() < kSerializedPrefixSize) {
        result.error = BufferError::truncated_prefix;
        return result;
    }
    result.data_length = get_u32(in, 0);
    const std::uint32_t count = get_u32(in, 4);
    if (count > kMaxPieceCount) {
        result.error = BufferError::too_many_pieces;
        return result;
    }
    std::size_t at = kSerializedPrefixSize;
    std::uint64_t sum = 0;
    // Each piece takes at least its length field: a count cannot make us
    // reserve more than the bytes could hold.
    result.pieces.reserve(std::min<std::size_t>(count, (in.size() - at) / kPieceLengthSize));
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t left = in.size() - at;
        if (left < kPieceLengthSize || left - kPieceLengthSize < get_u32(in, at)) {
            result.error = BufferError::piece_overrun;
            break;
        }
        const std::uint32_t length = get_u32(in, at);
        at += kPieceLengthSize;
        result.pieces.push_back(in.subspan(at, length));
        at += length;
        sum += length;
    }
    if (result.error == BufferError::none && sum != result.data_length)
        result.error = BufferError::length_mismatch;
    else if (result.error == BufferError::none && at != in.size())
        result.error = BufferError::trailing_bytes;
    if (result.error != BufferError::none)
        result.pieces.clear();
    return result;
}

// Size of the serialized form of the given pieces. Throws std::length_error
// when it would not fit a frame's 32-bit payload length.
inline std::size_t serialized_size(std::span<const Bytes> pieces)
{
    std::uint64_t total = kSerializedPrefixSize;
    for (Bytes piece : pieces)
        total += kPieceLengthSize + piece.size();
    if (total > std::numeric_limits<std::uint32_t>::max() || pieces.size() > kMaxPieceCount)
        throw std::length_error("serialized buffer exceeds its 32-bit length fields");
    return static_cast<std::size_t>(total);
}

// Writes the 8-byte prefix of a serialized buffer; used by senders that
// gather the pieces from elsewhere instead of copying them.
inline void encode_serialized_prefix(std::uint32_t data_length, std::uint32_t piece_count,
                                     std::span<std::uint8_t, kSerializedPrefixSize> out)
{
    put_u32(out, 0, data_length);
    put_u32(out, 4, piece_count);
}

// Writes the serialized form of `pieces` into `out`, which must be exactly
// serialized_size(pieces) bytes long.
inline void serialize_into(std::span<const Bytes> pieces, MutableBytes out)
{
    std::size_t at = kSerializedPrefixSize;
    std::uint32_t data = 0;
    for (Bytes piece : pieces) {
        put_u32(out, at, static_cast<std::uint32_t>(piece.size()));
        at += kPieceLengthSize;
        std::copy(piece.begin(), piece.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
        at += piece.size();
        data += static_cast<std::uint32_t>(piece.size());
    }
    encode_serialized_prefix(data, static_cast<std::uint32_t>(pieces.size()),
                             out.first<kSerializedPrefixSize>());
}

inline std::vector<std::uint8_t> serialize(std::span<const Bytes> pieces)
{
    std::vector<std::uint8_t> out(serialized_size(pieces));
    serialize_into(pieces, out);
    return out;
}

// A whole frame (header + serialized pieces) in one block, ready for one write.
inline std::vector<std::uint8_t> encode_frame(FrameHeader header, std::span<const Bytes> pieces)
{
    const std::size_t payload = serialized_size(pieces);
    header.payload_length = static_cast<std::uint32_t>(payload);
    std::vector<std::uint8_t> frame(kHeaderSize + payload);
    const MutableBytes view(frame);
    encode_header(header, view.first<kHeaderSize>());
    serialize_into(pieces, view.subspan(kHeaderSize));
    return frame;
}

}  // namespace nxcomm
