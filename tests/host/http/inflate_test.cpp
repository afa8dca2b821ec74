// Inflating compressed bodies: every valid wrapper, the window, and the limits.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/http/inflate.h"
#include "support/compression.h"

namespace nvx::http {
namespace {

using testing::Compress;
using testing::CompressRepeated;
using testing::SampleXml;
using testing::Wrapper;

std::optional<std::string> Inflate(const std::string& data)
{
    auto inflated = InflateBody(data.data(), static_cast<std::uint32_t>(data.size()));
    if (!inflated) {
        return std::nullopt;
    }
    return std::string(inflated->begin(), inflated->end());
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

class InflateWrapper : public ::testing::TestWithParam<Wrapper> {};

TEST_P(InflateWrapper, InflatesALargeBodyWholeAndInOrder)
{
    const std::string body = SampleXml(1 << 20);
    EXPECT_EQ(Inflate(Compress(body, GetParam())), body);
}

TEST_P(InflateWrapper, KeepsATruncatedStreamAsReceived)
{
    const std::string compressed = Compress(SampleXml(100000), GetParam());
    const std::string truncated = compressed.substr(0, compressed.size() / 2);
    EXPECT_EQ(Inflate(truncated), truncated);
}

INSTANTIATE_TEST_SUITE_P(Wrappers, InflateWrapper,
                         ::testing::Values(Wrapper::Raw, Wrapper::Zlib, Wrapper::Gzip));

class InflateChecksummedWrapper : public ::testing::TestWithParam<Wrapper> {};

TEST_P(InflateChecksummedWrapper, KeepsAStreamWithAWrongCheckValueAsReceived)
{
    std::string compressed = Compress(SampleXml(10000), GetParam());
    // The check value ends the zlib stream and precedes gzip's 4-byte length.
    const std::size_t checkEnd = compressed.size() - (GetParam() == Wrapper::Gzip ? 4 : 0);
    compressed[checkEnd - 1] ^= 0x55;
    EXPECT_EQ(Inflate(compressed), compressed);
}

INSTANTIATE_TEST_SUITE_P(Wrappers, InflateChecksummedWrapper,
                         ::testing::Values(Wrapper::Zlib, Wrapper::Gzip));

TEST(InflateBody, RawStreamMayReferBackFurtherThan16KB)
{
    const std::string repeated = RandomBytes(10000, 1);
    const std::string body = repeated + RandomBytes(10000, 2) + repeated;
    const std::string compressed = Compress(body, Wrapper::Raw);
    ASSERT_LT(compressed.size(), 25000u) << "the test data should use a 20 KB back-reference";
    EXPECT_EQ(Inflate(compressed), body);
}

TEST(InflateBody, RawStreamThatLooksLikeAZlibHeaderStillInflates)
{
    // A stored block whose first two bytes (0x78 0x01) pass the zlib header check.
    const std::string raw("\x78\x01\x00\xfe\xff"
                          "A"
                          "\x01\x00\x00\xff\xff",
                          11);
    EXPECT_EQ(Inflate(raw), "A");
}

TEST(InflateBody, KeepsDataThatIsNotCompressedAsReceived)
{
    EXPECT_EQ(Inflate("<Envelope/>"), "<Envelope/>");
    EXPECT_EQ(Inflate(""), "");
}

TEST(InflateBody, AcceptsOutputUpToTheLimit)
{
    const std::string zeros(1 << 20, '\0');
    const auto inflated =
        Inflate(CompressRepeated(zeros, kMaxInflatedBodySize / zeros.size(), Wrapper::Raw));
    ASSERT_TRUE(inflated.has_value());
    EXPECT_EQ(inflated->size(), kMaxInflatedBodySize);
}

TEST(InflateBody, RejectsOneByteOverTheLimit)
{
    const std::string overLimit(kMaxInflatedBodySize + 1, '\0');
    EXPECT_EQ(Inflate(Compress(overLimit, Wrapper::Raw, 1)), std::nullopt);
}

TEST(InflateBody, DecompressionBombGivesNoBody)
{
    const std::string zeros(1 << 20, '\0');
    EXPECT_EQ(Inflate(CompressRepeated(zeros, 256, Wrapper::Gzip, 1)), std::nullopt);
}

}  // namespace
}  // namespace nvx::http
