// Chunked decoding in place, including bodies that end early or lie about sizes.
#include <gtest/gtest.h>

#include <string>

#include "base/http/chunked.h"

namespace nvx::http {
namespace {

// Decodes an exactly sized copy, so that a read or write past the range is
// an error under the sanitizers, and returns the decoded bytes.
std::string Dechunk(const std::string& body)
{
    std::string buffer = body;
    const std::uint32_t length =
        DechunkInPlace(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    EXPECT_LE(length, body.size());
    return buffer.substr(0, length);
}

struct ChunkCase {
    const char* name;
    std::string body;
    std::string decoded;
};

class Dechunking : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(Dechunking, DecodesWhatIsThere)
{
    EXPECT_EQ(Dechunk(GetParam().body), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, Dechunking,
    ::testing::Values(ChunkCase{"TwoChunks", "4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n", "Wikipedia"},
                      ChunkCase{"Extension",
                                "5;name=a-value-longer-than-nine\r\nhello\r\n0\r\n\r\n", "hello"},
                      ChunkCase{"UpperHex", "1A\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n",
                                "abcdefghijklmnopqrstuvwxyz"},
                      ChunkCase{"LowerHex", "1a\r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\n\r\n",
                                "abcdefghijklmnopqrstuvwxyz"},
                      ChunkCase{"LeadingSpace", " 3\r\nabc\r\n0\r\n\r\n", "abc"},
                      ChunkCase{"DataHoldsCrLf", "4\r\n\r\n\r\n\r\n0\r\n\r\n", "\r\n\r\n"},
                      ChunkCase{"TrailersDropped", "3\r\nabc\r\n0\r\nX-Trailer: 1\r\n\r\n", "abc"},
                      ChunkCase{"EmptyFirstLine", "\r\n3\r\nabc\r\n0\r\n\r\n", ""},
                      ChunkCase{"NotANumber", "zz\r\nabc\r\n0\r\n\r\n", ""},
                      ChunkCase{"LastChunkFirst", "0\r\n\r\n", ""}, ChunkCase{"Empty", "", ""},
                      ChunkCase{"NoLastChunk", "3\r\nabc\r\n", "abc"},
                      ChunkCase{"EndsAfterData", "3\r\nabc", "abc"},
                      ChunkCase{"EndsInsideCrLf", "3\r\nabc\r", "abc"},
                      ChunkCase{"EndsInsideData", "3\r\nabc\r\nA\r\nhello", "abchello"},
                      ChunkCase{"EndsInsideSizeLine", "3\r\nabc\r\n1", "abc"},
                      ChunkCase{"SizeLineWithoutCrLf", "5", ""},
                      ChunkCase{"SizeBeyond32Bits", "FFFFFFFFF\r\nabc", "abc"},
                      ChunkCase{"MaximumSize", "FFFFFFFF\r\nabc", "abc"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Dechunking, LeavesTheRestOfTheRangeAsItWas)
{
    std::string buffer = "4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n";
    const std::string original = buffer;
    const std::uint32_t length =
        DechunkInPlace(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    ASSERT_EQ(length, 9u);
    EXPECT_EQ(buffer.substr(length), original.substr(length));
}

TEST(ReadChunkSize, ReturnsTheStartOfTheChunkData)
{
    const std::string line = "1f;ext=1\r\ndata";
    std::uint32_t size = 0;
    const char* data = ReadChunkSize(line.data(), line.data() + line.size(), size);
    EXPECT_EQ(size, 0x1fu);
    EXPECT_EQ(data, line.data() + 10);

    const std::string empty = "\r\n";
    size = 7;
    EXPECT_EQ(ReadChunkSize(empty.data(), empty.data() + empty.size(), size), empty.data());
    EXPECT_EQ(size, 0u);
}

}  // namespace
}  // namespace nvx::http
