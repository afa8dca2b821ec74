#pragma once
// A gateway buffer: byte pieces kept end to end in one block, with a read
// cursor. Its first member is the record that callers see through the handle.
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "nxapi.h"
#include "nxcomm/frame.h"

namespace nxapi {

class UBlock {
public:
    UBlock();
    ~UBlock();
    UBlock(const UBlock&) = delete;
    UBlock& operator=(const UBlock&) = delete;

    NXUBLOCK Handle() { return &record_; }
    // The buffer behind a handle, or null for a null or dead handle.
    static UBlock* FromHandle(NXUBLOCK handle);

    // False (nothing appended) when the buffer would exceed its limits.
    bool Append(nxcomm::Bytes bytes);
    void Rewind();
    std::uint32_t DataLength() const { return record_.data_length; }
    // Bytes left in the next non-empty piece; 0 when none is left.
    std::uint32_t NextSize();
    // Copies at most `room` bytes of the next non-empty piece; returns the
    // count, 0 when none is left.
    std::uint32_t Read(std::uint8_t* destination, std::uint32_t room);
    // Replaces the pieces with those of a serialized buffer; empty when it is
    // malformed.
    void Load(const std::uint8_t* serialized);
    // The pieces as the gateway's serialized form.
    std::vector<nxcomm::Bytes> Pieces() const;

private:
    void Clear();
    void SkipEmptyPieces();

    // Must stay the first member: the handle points here. reserved[0] holds
    // a signature that tells a live buffer, reserved[1] the piece count.
    NxUBlockRecord record_;
    std::vector<std::uint8_t> data_;
    std::vector<std::uint32_t> piece_ends_;  // offset in data_ where each piece ends
    std::size_t read_piece_ = 0;
    std::uint32_t read_offset_ = 0;  // into data_
};

static_assert(std::is_standard_layout_v<UBlock>, "the handle must be interconvertible with the buffer");
static_assert(offsetof(NxUBlockRecord, data_length) == 8, "callers read the data length at byte 8");

}  // namespace nxapi
