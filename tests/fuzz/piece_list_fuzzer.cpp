// Loading a gateway buffer from its serialized form, which carries no length
// of its own: the load reads nothing past the extent the form's prefix
// claims, takes exactly the forms the gateway's own parser takes, and hands
// the pieces back as they were.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "fuzz_check.h"
#include "nxcomm/frame.h"
#include "runtime/nxapi/piece_list.h"

namespace {

// The most the form's prefix lets a load read: the prefix, every piece's
// length and the data.
std::uint64_t ClaimedExtent(std::span<const std::uint8_t> prefix)
{
    return nxcomm::kSerializedPrefixSize + nxcomm::kPieceLengthSize * std::uint64_t{nxcomm::get_u32(prefix, 4)} +
           nxcomm::get_u32(prefix, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < nxcomm::kSerializedPrefixSize) return 0;
    const std::span<const std::uint8_t> input(data, size);
    // Exactly the claimed extent, zero-padded when the input is shorter, so
    // that a read past it is caught.
    const std::uint64_t extent = std::max<std::uint64_t>(size, ClaimedExtent(input));
    if (extent > size + (1u << 20)) return 0;
    std::unique_ptr<std::uint8_t[]> form(new std::uint8_t[extent]());
    std::copy(input.begin(), input.end(), form.get());

    nxapi::PieceList list;
    list.Load(form.get());
    const std::vector<nxcomm::Bytes> pieces = list.Pieces();

    // A loaded list is the form it came from.
    if (!pieces.empty()) {
        const std::vector<std::uint8_t> again = nxcomm::serialize(pieces);
        FUZZ_CHECK(again.size() <= extent && std::equal(again.begin(), again.end(), form.get()));
    }
    // A form the gateway's parser takes whole is loaded whole.
    const nxcomm::ParsedBuffer parsed = nxcomm::parse_serialized(input);
    if (parsed.error == nxcomm::BufferError::none) {
        FUZZ_CHECK(parsed.pieces.size() == pieces.size());
        for (std::size_t i = 0; i < pieces.size(); ++i) FUZZ_CHECK(std::ranges::equal(parsed.pieces[i], pieces[i]));
    }
    // Read back, the pieces give the data in order.
    std::vector<std::uint8_t> read(list.DataLength());
    std::size_t at = 0;
    while (const std::uint32_t next = list.NextSize()) at += list.Read(read.data() + at, next);
    FUZZ_CHECK(at == list.DataLength());
    return 0;
}
