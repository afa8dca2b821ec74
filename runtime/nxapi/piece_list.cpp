#include "runtime/nxapi/piece_list.h"

#include <algorithm>

namespace nxapi {

bool PieceList::Append(nxcomm::Bytes bytes)
{
    if (bytes.size() > kMaxDataLength - DataLength()) return false;
    // The wire form holds a bounded number of pieces; beyond it the bytes
    // join the last piece, which keeps the content and its order.
    const bool newPiece = piece_ends_.size() < kMaxPieces;
    if (newPiece) piece_ends_.push_back(DataLength());
    try {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
    } catch (...) {
        if (newPiece) piece_ends_.pop_back();
        throw;
    }
    piece_ends_.back() = DataLength();
    return true;
}

void PieceList::Rewind()
{
    read_piece_ = 0;
    read_offset_ = 0;
}

void PieceList::SkipEmptyPieces()
{
    while (read_piece_ < piece_ends_.size() && read_offset_ == piece_ends_[read_piece_]) ++read_piece_;
}

std::uint32_t PieceList::NextSize()
{
    SkipEmptyPieces();
    if (read_piece_ == piece_ends_.size()) return 0;
    return piece_ends_[read_piece_] - read_offset_;
}

std::uint32_t PieceList::Read(std::uint8_t* destination, std::uint32_t room)
{
    const std::uint32_t count = std::min(NextSize(), room);
    std::copy_n(data_.begin() + read_offset_, count, destination);
    read_offset_ += count;
    return count;
}

void PieceList::Clear()
{
    data_.clear();
    piece_ends_.clear();
    Rewind();
}

void PieceList::Load(const std::uint8_t* serialized)
{
    Clear();
    if (!serialized) return;
    // The form has no length of its own: the prefix and the piece lengths
    // must agree before anything past them is touched, so that a corrupt
    // form cannot send the walk beyond what it claims to be.
    const nxcomm::Bytes prefix(serialized, nxcomm::kSerializedPrefixSize);
    const std::uint32_t dataLength = nxcomm::get_u32(prefix, 0);
    const std::uint32_t count = nxcomm::get_u32(prefix, 4);
    if (count > kMaxPieces || dataLength > kMaxDataLength) return;
    std::size_t extent = nxcomm::kSerializedPrefixSize;
    std::uint32_t sum = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t length = nxcomm::get_u32(nxcomm::Bytes(serialized + extent, nxcomm::kPieceLengthSize), 0);
        if (length > dataLength - sum) return;
        sum += length;
        extent += nxcomm::kPieceLengthSize + length;
    }
    if (sum != dataLength) return;
    const nxcomm::ParsedBuffer parsed = nxcomm::parse_serialized(nxcomm::Bytes(serialized, extent));
    if (parsed.error != nxcomm::BufferError::none) return;
    try {
        data_.reserve(dataLength);
        piece_ends_.reserve(count);
        for (nxcomm::Bytes piece : parsed.pieces) Append(piece);
    } catch (...) {
        Clear();  // a buffer is whole or empty, never half loaded
        throw;
    }
}

std::vector<nxcomm::Bytes> PieceList::Pieces() const
{
    std::vector<nxcomm::Bytes> pieces;
    pieces.reserve(piece_ends_.size());
    std::uint32_t begin = 0;
    for (std::uint32_t end : piece_ends_) {
        pieces.emplace_back(data_.data() + begin, end - begin);
        begin = end;
    }
    return pieces;
}

}  // namespace nxapi
