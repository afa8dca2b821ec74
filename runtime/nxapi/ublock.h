#pragma once
// A gateway buffer: the record that callers see through the handle, and the
// pieces behind it.
#include <cstddef>
#include <type_traits>

#include "nxapi.h"
#include "runtime/nxapi/piece_list.h"

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
    void Load(const std::uint8_t* serialized);
    std::uint32_t DataLength() const { return record_.data_length; }
    PieceList& Content() { return pieces_; }
    const PieceList& Content() const { return pieces_; }

private:
    // Keeps the record's fields in step with the pieces.
    void Recount();

    // Must stay the first member: the handle points here. reserved[0] holds
    // a signature that tells a live buffer, reserved[1] the piece count.
    NxUBlockRecord record_;
    PieceList pieces_;
};

static_assert(std::is_standard_layout_v<UBlock>, "the handle must be interconvertible with the buffer");
static_assert(offsetof(NxUBlockRecord, data_length) == 8, "callers read the data length at byte 8");
static_assert(NXAPI_MAX_PIECES == kMaxPieces && NXAPI_MAX_DATA_LENGTH == kMaxDataLength);

}  // namespace nxapi
