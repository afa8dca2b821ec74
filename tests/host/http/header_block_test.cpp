// Parsing the header text into the table and the coding flags.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/http/header_block.h"

namespace nvx::http {
namespace {

HttpHeaderBlock Parse(const std::string& text)
{
    HttpHeaderBlock block;
    block.Load(text.data(), static_cast<std::uint32_t>(text.size()));
    return block;
}

TEST(HeaderBlock, KeepsTheTextAndParsesHeaderLines)
{
    const std::string text = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n";
    const HttpHeaderBlock block = Parse(text);
    EXPECT_EQ(block.Length(), 43u);
    EXPECT_EQ(block.View(), text);
    EXPECT_EQ(block.Headers(), (HeaderTable{{"Content-Type", "text/xml"}}));
}

TEST(HeaderBlock, SplitsAtTheFirstColonAndTrimsBothSides)
{
    const HttpHeaderBlock block = Parse("HTTP/1.1 200 OK\r\n  Host :\ta:80 \r\nX:\r\n\r\n");
    EXPECT_EQ(block.Headers(), (HeaderTable{{"Host", "a:80"}, {"X", ""}}));
}

TEST(HeaderBlock, OnlyCrLfEndsALine)
{
    const HttpHeaderBlock block = Parse("A: 1\nB: 2\r\nC: 3\r\rD: 4\r\n");
    EXPECT_EQ(block.Headers(), (HeaderTable{{"A", "1\nB: 2"}, {"C", "3\r\rD: 4"}}));
}

TEST(HeaderBlock, IgnoresTextAfterTheLastLineEnd)
{
    EXPECT_EQ(Parse("A: 1\r\nB: 2").Headers(), (HeaderTable{{"A", "1"}}));
}

TEST(HeaderBlock, FirstValueWinsAndNamesIgnoreCase)
{
    const HttpHeaderBlock block =
        Parse("transfer-encoding: chunked\r\nTransfer-Encoding: identity\r\n"
              "TRANSFER-ENCODING: x\r\n\r\n");
    EXPECT_EQ(block.Find("Transfer-Encoding"), "chunked");
    EXPECT_EQ(block.Find("tRANSFER-eNCODING"), "chunked");
    EXPECT_EQ(block.Headers().size(), 1u);
    EXPECT_TRUE(block.IsChunked());
}

TEST(HeaderBlock, OrdersNamesAsFoldedUnsignedBytes)
{
    const HttpHeaderBlock block = Parse("\xe9: 3\r\nb: 2\r\nA: 1\r\nAA: 4\r\n\xc9: 5\r\n\r\n");
    std::vector<std::string> names;
    for (const auto& [name, value] : block.Headers()) {
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A", "AA", "b", "\xc9", "\xe9"}))
        << "only ASCII letters fold: bytes of 0x80 and above stay distinct";
}

struct FlagCase {
    const char* headers;
    bool deflate;
    bool gzip;
    bool chunked;
};

class CodingFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(CodingFlags, FollowTheTwoCodingHeaders)
{
    const HttpHeaderBlock block =
        Parse(std::string("HTTP/1.1 200 OK\r\n") + GetParam().headers + "\r\n");
    EXPECT_EQ(block.IsDeflate(), GetParam().deflate);
    EXPECT_EQ(block.IsGzip(), GetParam().gzip);
    EXPECT_EQ(block.IsChunked(), GetParam().chunked);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CodingFlags,
    ::testing::Values(FlagCase{"Content-Encoding: deflate\r\n", true, false, false},
                      FlagCase{"Content-Encoding:   DEFLATE  \r\n", true, false, false},
                      FlagCase{"Content-Encoding: gzip\r\n", false, true, false},
                      FlagCase{"Content-Encoding: x-gzip\r\n", false, true, false},
                      FlagCase{"Content-Encoding: deflate, gzip\r\n", false, false, false},
                      FlagCase{"content-encoding: deflate\r\n", true, false, false},
                      FlagCase{"CONTENT-ENCODING: gzip\r\n", false, true, false},
                      FlagCase{"transfer-encoding: chunked\r\n", false, false, true},
                      FlagCase{"Transfer-Encoding: Chunked\r\n", false, false, true},
                      FlagCase{"Transfer-Encoding: gzip, chunked\r\n", false, false, false},
                      FlagCase{"Content-Type: deflate\r\n", false, false, false}));

TEST(HeaderBlock, LoadingAgainStartsFromAnEmptyTable)
{
    HttpHeaderBlock block = Parse("Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n");
    const std::string plain = "Content-Type: text/xml\r\n\r\n";
    block.Load(plain.data(), static_cast<std::uint32_t>(plain.size()));
    EXPECT_EQ(block.Headers(), (HeaderTable{{"Content-Type", "text/xml"}}));
    EXPECT_FALSE(block.IsGzip());
    EXPECT_FALSE(block.IsChunked());
}

}  // namespace
}  // namespace nvx::http
