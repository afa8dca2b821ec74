// Gateway buffers: pieces in and out, the data length callers read at byte 8,
// loading the gateway's serialized form, and handles that are not buffers.
#include "nxapi_test_support.h"  // first: winsock2.h must precede windows.h

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "nxapi.h"
#include "nxcomm/frame.h"

namespace nxapi_test {
namespace {

using Pieces = std::vector<std::string>;

std::uint32_t LengthAtOffset8(NXUBLOCK buffer)
{
    std::uint32_t length = 0;
    std::memcpy(&length, reinterpret_cast<const char*>(buffer) + 8, sizeof length);
    return length;
}

std::vector<std::uint8_t> Serialized(const Pieces& pieces)
{
    std::vector<nxcomm::Bytes> views;
    for (const std::string& piece : pieces)
        views.emplace_back(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
    return nxcomm::serialize(views);
}

Pieces WithoutEmpty(const Pieces& pieces)
{
    Pieces kept;
    for (const std::string& piece : pieces)
        if (!piece.empty()) kept.push_back(piece);
    return kept;
}

const std::vector<Pieces> kPieceSets = {
    {},
    {"HTTP/1.1 200 OK\r\n\r\n"},
    {"POST / HTTP/1.1\r\n", "Content-Length: 4\r\n", "\r\n", "body"},
    {"", "a", "", "bc", ""},  // empty pieces carry nothing and are passed over
    {std::string(70000, 'x'), std::string("\0\xff\0", 3)},
};

TEST(UBlockTest, HandsOutAppendedPiecesInOrderWithTheirTotal)
{
    for (const Pieces& pieces : kPieceSets) {
        SCOPED_TRACE(::testing::PrintToString(pieces.size()) + " pieces");
        UniqueBlock buffer = MakeBlock(pieces);
        std::size_t total = 0;
        for (const std::string& piece : pieces) total += piece.size();
        EXPECT_EQ(total, static_cast<std::size_t>(UBlockTotalSize(buffer.get())));
        EXPECT_EQ(total, LengthAtOffset8(buffer.get()));
        EXPECT_EQ(total, buffer->data_length);
        const Pieces expected = WithoutEmpty(pieces);
        EXPECT_EQ(expected.empty() ? 0 : static_cast<int>(expected[0].size()), UBlockNextSize(buffer.get()));
        EXPECT_EQ(expected, ReadPieces(buffer.get()));
        EXPECT_EQ(0, UBlockNextSize(buffer.get()));
        EXPECT_EQ(0, UBlockRewind(buffer.get()));
        EXPECT_EQ(expected, ReadPieces(buffer.get())) << "after rewinding";
    }
}

TEST(UBlockTest, ReadsAPieceLongerThanTheRoomInParts)
{
    UniqueBlock buffer = MakeBlock({"abcdefg", "hi"});
    EXPECT_EQ((Pieces{"abc", "def", "g", "hi"}), ReadPieces(buffer.get(), 3));

    // No room for a piece that has bytes: refused, so a reading loop ends.
    UBlockRewind(buffer.get());
    int length = 0;
    char sink = '\0';
    EXPECT_NE(0, UBlockRead(buffer.get(), &length, &sink));
    EXPECT_EQ(0, length);
    EXPECT_EQ(7, UBlockNextSize(buffer.get()));
}

TEST(UBlockTest, LoadsTheSerializedFormAndReplacesWhatWasThere)
{
    for (const Pieces& pieces : kPieceSets) {
        SCOPED_TRACE(::testing::PrintToString(pieces.size()) + " pieces");
        UniqueBlock buffer = MakeBlock({"old content"});
        const std::vector<std::uint8_t> form = Serialized(pieces);
        UBlockLoad(buffer.get(), form.data());
        const Pieces expected = WithoutEmpty(pieces);
        std::size_t total = 0;
        for (const std::string& piece : pieces) total += piece.size();
        EXPECT_EQ(total, LengthAtOffset8(buffer.get()));
        EXPECT_EQ(expected, ReadPieces(buffer.get()));
    }
}

TEST(UBlockTest, AMalformedSerializedFormLeavesTheBufferEmpty)
{
    struct Case {
        const char* name;
        std::uint32_t data_length;
        std::uint32_t piece_count;
        std::vector<std::uint32_t> piece_lengths;
    };
    const Case cases[] = {
        {"data length above the pieces' sum", 9, 2, {4, 4}},
        {"data length below the pieces' sum", 7, 2, {4, 4}},
        {"a piece longer than the data length", 4, 1, {0x7fffffff}},
        {"a length that wraps the sum", 4, 2, {4, 0xfffffffc}},
        {"more pieces than a buffer may hold", 0, NXAPI_MAX_PIECES + 1, {}},
        {"more data than a buffer may hold", NXAPI_MAX_DATA_LENGTH + 1u, 0, {}},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.name);
        // Room for every piece the form claims, filled with bytes.
        std::vector<std::uint8_t> form(64, 'z');
        nxcomm::put_u32(form, 0, bad.data_length);
        nxcomm::put_u32(form, 4, bad.piece_count);
        std::size_t at = 8;
        for (std::uint32_t length : bad.piece_lengths) {
            nxcomm::put_u32(form, at, length);
            at += 4 + (length <= 4 ? length : 0);
        }
        UniqueBlock buffer = MakeBlock({"old content"});
        UBlockLoad(buffer.get(), form.data());
        EXPECT_EQ(0, UBlockTotalSize(buffer.get()));
        EXPECT_EQ(0u, LengthAtOffset8(buffer.get()));
        EXPECT_TRUE(ReadPieces(buffer.get()).empty());
    }
}

TEST(UBlockTest, KeepsEveryByteBeyondThePieceLimit)
{
    UniqueBlock buffer(UBlockCreate());
    for (int i = 0; i < NXAPI_MAX_PIECES + 2; ++i) {
        const char byte = static_cast<char>('a' + i % 26);
        ASSERT_EQ(0, UBlockAppend(buffer.get(), 1, &byte));
    }
    const Pieces pieces = ReadPieces(buffer.get());
    ASSERT_EQ(static_cast<std::size_t>(NXAPI_MAX_PIECES), pieces.size());
    std::string content;
    for (const std::string& piece : pieces) content += piece;
    ASSERT_EQ(static_cast<std::size_t>(NXAPI_MAX_PIECES + 2), content.size());
    for (std::size_t i = 0; i < content.size(); ++i)
        ASSERT_EQ(static_cast<char>('a' + i % 26), content[i]) << "at " << i;
}

TEST(UBlockTest, RefusesBadAppendsAndNullHandles)
{
    UniqueBlock buffer = MakeBlock({"kept"});
    EXPECT_NE(0, UBlockAppend(buffer.get(), -1, "x"));
    EXPECT_NE(0, UBlockAppend(buffer.get(), 3, nullptr));
    EXPECT_EQ(0, UBlockAppend(buffer.get(), 0, nullptr)) << "an empty piece needs no bytes";
    EXPECT_EQ(4, UBlockTotalSize(buffer.get()));

    char room[8];
    int length = sizeof room;
    EXPECT_NE(0, UBlockAppend(nullptr, 1, "x"));
    EXPECT_EQ(0, UBlockTotalSize(nullptr));
    EXPECT_NE(0, UBlockRewind(nullptr));
    EXPECT_LT(UBlockNextSize(nullptr), 1);
    EXPECT_NE(0, UBlockRead(nullptr, &length, room));
    EXPECT_EQ(0, length);
    EXPECT_NE(0, UBlockRead(buffer.get(), nullptr, room));
    length = sizeof room;
    EXPECT_NE(0, UBlockRead(buffer.get(), &length, nullptr));
    length = -1;
    EXPECT_NE(0, UBlockRead(buffer.get(), &length, room));
    UBlockLoad(nullptr, "\0\0\0\0\0\0\0\0");
    UBlockLoad(buffer.get(), nullptr);
    EXPECT_EQ(0, UBlockTotalSize(buffer.get())) << "loading nothing empties the buffer";
    UBlockRelease(nullptr);
}

}  // namespace
}  // namespace nxapi_test
