#pragma once
// The content of a gateway buffer: byte pieces kept end to end in one block,
// with a read cursor, and the gateway's serialized form in and out. No
// Windows here: the loading of received forms is fuzzed natively.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "nxcomm/frame.h"

namespace nxapi {

// A buffer's limits (the published header repeats them).
inline constexpr std::uint32_t kMaxPieces = nxcomm::kMaxPieceCount;
inline constexpr std::uint32_t kMaxDataLength = 256 * 1024 * 1024;

class PieceList {
public:
    // False (nothing appended) when the list would exceed its limits.
    bool Append(nxcomm::Bytes bytes);
    void Rewind();
    std::uint32_t DataLength() const { return static_cast<std::uint32_t>(data_.size()); }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(piece_ends_.size()); }
    // Bytes left in the next non-empty piece; 0 when none is left.
    std::uint32_t NextSize();
    // Copies at most `room` bytes of the next non-empty piece; returns the
    // count, 0 when none is left.
    std::uint32_t Read(std::uint8_t* destination, std::uint32_t room);
    // Replaces the pieces with those of a serialized form, which carries its
    // own extent: nothing past 8 + 4 * piece count + data length bytes (as
    // its prefix states them) is read, and a malformed form leaves the list
    // empty.
    void Load(const std::uint8_t* serialized);
    // The pieces, for the gateway's serialized form.
    std::vector<nxcomm::Bytes> Pieces() const;
    void Clear();

private:
    void SkipEmptyPieces();

    std::vector<std::uint8_t> data_;
    std::vector<std::uint32_t> piece_ends_;  // offset in data_ where each piece ends
    std::size_t read_piece_ = 0;
    std::uint32_t read_offset_ = 0;  // into data_
};

}  // namespace nxapi
