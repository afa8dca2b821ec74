// The wire format: exact byte layout, validation of serialized buffers, and
// frame reassembly however the stream splits the bytes.
#include "gateway/src/frame_assembler.h"
#include <nxcomm/frame.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nxcomm::BufferError;
using nxcomm::Bytes;
using Raw = std::vector<std::uint8_t>;

Bytes bytes_of(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string text_of(Bytes bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(FrameHeader, IsSixteenLittleEndianBytesInFieldOrder)
{
    const nxcomm::FrameHeader header{0x04030201, 0x0605, 0x0807, 0x0C0B0A09, 0x100F0E0D};
    std::array<std::uint8_t, nxcomm::kHeaderSize> out{};
    nxcomm::encode_header(header, out);
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i], i + 1) << "byte " << i;
    EXPECT_EQ(nxcomm::decode_header(out), header);
}

TEST(SerializedBuffer, RoundTripsPiecesIncludingEmptyOnes)
{
    const std::vector<std::string> texts{"POST / HTTP/1.1\r\n", "", "\r\n", std::string(300, '\0')};
    std::vector<Bytes> pieces;
    for (const auto& text : texts)
        pieces.push_back(bytes_of(text));
    const Raw serialized = nxcomm::serialize(pieces);
    ASSERT_EQ(serialized.size(), nxcomm::serialized_size(pieces));

    const auto parsed = nxcomm::parse_serialized(serialized);
    ASSERT_EQ(parsed.error, BufferError::none);
    EXPECT_EQ(parsed.data_length, 319u);
    ASSERT_EQ(parsed.pieces.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(text_of(parsed.pieces[i]), texts[i]);
}

TEST(SerializedBuffer, LayoutIsLengthCountThenLengthPrefixedPieces)
{
    const std::vector<Bytes> pieces{bytes_of("ab"), bytes_of("c")};
    const Raw expected{3, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 1, 0, 0, 0, 'c'};
    EXPECT_EQ(nxcomm::serialize(pieces), expected);
}

struct MalformedCase {
    const char* name;
    Raw bytes;
    BufferError error;
};

TEST(SerializedBuffer, RefusesMalformedInput)
{
    const std::vector<MalformedCase> cases{
        {"empty", {}, BufferError::truncated_prefix},
        {"half a prefix", {1, 0, 0, 0}, BufferError::truncated_prefix},
        {"piece count beyond the limit", {0, 0, 0, 0, 1, 0, 1, 0}, BufferError::too_many_pieces},
        {"count without pieces", {0, 0, 0, 0, 1, 0, 0, 0}, BufferError::piece_overrun},
        {"piece length cut short", {1, 0, 0, 0, 1, 0, 0, 0, 1, 0}, BufferError::piece_overrun},
        {"piece longer than the rest",
         {5, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 'a'},
         BufferError::piece_overrun},
        {"second piece longer than the rest",
         {2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 'a', 5, 0, 0, 0, 'b'},
         BufferError::piece_overrun},
        {"huge piece length",
         {0, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
         BufferError::piece_overrun},
        {"data length too small",
         {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a'},
         BufferError::length_mismatch},
        {"data length too large",
         {9, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a'},
         BufferError::length_mismatch},
        {"bytes after the last piece",
         {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a', 'b'},
         BufferError::trailing_bytes},
    };
    for (const auto& c : cases) {
        const auto parsed = nxcomm::parse_serialized(c.bytes);
        EXPECT_EQ(parsed.error, c.error) << c.name;
        EXPECT_TRUE(parsed.pieces.empty()) << c.name;
    }
}

TEST(SerializedBuffer, EveryTruncationIsRefused)
{
    const std::vector<Bytes> pieces{bytes_of("head\r\n"), bytes_of("\r\n"), bytes_of("body")};
    const Raw whole = nxcomm::serialize(pieces);
    for (std::size_t cut = 0; cut < whole.size(); ++cut)
        EXPECT_NE(nxcomm::parse_serialized(Bytes(whole).first(cut)).error, BufferError::none)
            << "cut at " << cut;
}

TEST(Frame, EncodeFrameFillsThePayloadLength)
{
    const std::vector<Bytes> pieces{bytes_of("hello")};
    const Raw frame = nxcomm::encode_frame({7, nxcomm::kHttpRelayService, 2, 1000, 0}, pieces);
    const auto header = nxcomm::decode_header(std::span<const std::uint8_t, 16>(frame.data(), 16));
    EXPECT_EQ(header.payload_length, frame.size() - nxcomm::kHeaderSize);
    EXPECT_EQ(header.request_id, 7u);
    EXPECT_EQ(header.timeout_ms, 1000u);
}

// Three frames back to back; the middle one carries an empty payload.
Raw three_frames()
{
    Raw stream;
    const std::vector<std::vector<Bytes>> payloads{{bytes_of("first")}, {}, {bytes_of("third!")}};
    for (std::uint32_t id = 0; id < payloads.size(); ++id) {
        const Raw frame = nxcomm::encode_frame({id, 2048, 2, 0, 0}, payloads[id]);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    return stream;
}

// Feeds `stream` in the given pieces and returns the ids of the frames produced.
std::vector<std::uint32_t> assemble(const Raw& stream, const std::vector<std::size_t>& cuts,
                                    std::size_t max_payload = 1024)
{
    nxcommd::FrameAssembler assembler(max_payload);
    std::vector<std::uint32_t> ids;
    std::size_t from = 0;
    auto cut_points = cuts;
    cut_points.push_back(stream.size());
    for (std::size_t to : cut_points) {
        auto room = assembler.prepare(to - from);
        std::copy(stream.begin() + static_cast<std::ptrdiff_t>(from),
                  stream.begin() + static_cast<std::ptrdiff_t>(to), room.begin());
        assembler.commit(to - from);
        from = to;
        while (auto frame = assembler.next()) {
            ids.push_back(frame->header.request_id);
            if (!frame->oversized) {
                EXPECT_EQ(frame->payload.size(), frame->header.payload_length);
                EXPECT_EQ(nxcomm::parse_serialized(frame->payload).error, BufferError::none);
            }
        }
    }
    EXPECT_FALSE(assembler.mid_frame());
    return ids;
}

TEST(FrameAssembler, ReassemblesFramesSplitAtEveryOffset)
{
    const Raw stream = three_frames();
    const std::vector<std::uint32_t> all{0, 1, 2};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut)
        EXPECT_EQ(assemble(stream, {cut}), all) << "split at " << cut;

    std::vector<std::size_t> every_byte;
    for (std::size_t i = 1; i < stream.size(); ++i)
        every_byte.push_back(i);
    EXPECT_EQ(assemble(stream, every_byte), all);
}

TEST(FrameAssembler, ReportsAnOversizedFrameAndSkipsItsPayload)
{
    const std::string big(200, 'x');
    const std::vector<Bytes> big_payload{bytes_of(big)};
    Raw stream = nxcomm::encode_frame({9, 2048, 2, 0, 0}, big_payload);
    const Raw rest = three_frames();
    stream.insert(stream.end(), rest.begin(), rest.end());
    const std::vector<std::uint32_t> expected{9, 0, 1, 2};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut)
        EXPECT_EQ(assemble(stream, {cut}, 100), expected) << "split at " << cut;
}

TEST(FrameAssembler, KnowsWhenItHoldsPartOfAFrame)
{
    nxcommd::FrameAssembler assembler(1024);
    EXPECT_FALSE(assembler.mid_frame());
    const Raw frame = nxcomm::encode_frame({1, 2048, 2, 0, 0}, std::vector<Bytes>{});
    auto room = assembler.prepare(frame.size());
    std::copy(frame.begin(), frame.end() - 1, room.begin());
    assembler.commit(frame.size() - 1);
    EXPECT_TRUE(assembler.mid_frame());

    // A whole frame waiting to be taken is not a stalled one.
    room = assembler.prepare(1);
    room[0] = frame.back();
    assembler.commit(1);
    EXPECT_FALSE(assembler.mid_frame());
    EXPECT_TRUE(assembler.next());
    EXPECT_FALSE(assembler.mid_frame());
}

}  // namespace
