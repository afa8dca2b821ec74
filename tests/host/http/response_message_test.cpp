// Splitting a received response and decoding its body.
#include <gtest/gtest.h>

#include <string>

#include "base/http/inflate.h"
#include "base/http/response_message.h"
#include "support/compression.h"

namespace nvx::http {
namespace {

using testing::Compress;
using testing::CompressRepeated;
using testing::SampleXml;
using testing::Wrapper;

constexpr char kStatusLine[] = "HTTP/1.1 200 OK\r\n";

void Load(HttpResponseMessage& message, const std::string& text)
{
    message.Load(text.data(), static_cast<std::uint32_t>(text.size()));
}

std::string Response(const std::string& headers, const std::string& body)
{
    return kStatusLine + headers + "\r\n" + body;
}

std::string Chunked(const std::string& data, std::size_t chunkSize)
{
    std::string body;
    char sizeLine[32];
    for (std::size_t at = 0; at < data.size(); at += chunkSize) {
        const std::string chunk = data.substr(at, chunkSize);
        std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", chunk.size());
        body += sizeLine + chunk + "\r\n";
    }
    return body + "0\r\n\r\n";
}

TEST(ResponseMessage, SplitsHeaderTextAndBody)
{
    HttpResponseMessage message;
    const std::string text = Response("Content-Type: text/xml\r\n", "<a/>");
    Load(message, text);
    EXPECT_EQ(message.HeaderLength(), 43u);
    EXPECT_EQ(message.Header().Find("Content-Type"), "text/xml");
    EXPECT_EQ(message.Body().View(), "<a/>");
    EXPECT_EQ(message.View(), text);
}

struct FramingCase {
    const char* name;
    std::string text;
    std::uint32_t headerLength;
    std::string body;
};

class Framing : public ::testing::TestWithParam<FramingCase> {};

TEST_P(Framing, SplitsAsTheRulesSay)
{
    HttpResponseMessage message;
    Load(message, GetParam().text);
    EXPECT_EQ(message.HeaderLength(), GetParam().headerLength);
    EXPECT_EQ(message.Body().View(), GetParam().body);
    EXPECT_EQ(message.Length(), GetParam().text.size());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Framing,
    ::testing::Values(
        FramingCase{"ErrorReplyIsTheBody", "<Envelope>fault</Envelope>", 0,
                    "<Envelope>fault</Envelope>"},
        FramingCase{"MarkerIsCaseSensitive", "http/1.1 200 OK\r\n\r\nx", 0,
                    "http/1.1 200 OK\r\n\r\nx"},
        FramingCase{"ShortText", "HTT", 0, "HTT"},
        FramingCase{"NoEmptyLine", "HTTP/1.1 200 OK\r\nA: 1\r\n", 0, ""},
        FramingCase{"BareLfEmptyLine", "HTTP/1.1 200 OK\n\nbody", 0, ""},
        FramingCase{"EmptyBody", "HTTP/1.1 204 No Content\r\n\r\n", 27, ""},
        FramingCase{"EmptyBodyMarkedCompressed",
                    "HTTP/1.1 200 OK\r\nContent-Encoding: deflate\r\n\r\n", 46, ""},
        FramingCase{"ContentLengthIgnored", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nlonger",
                    38, "longer"},
        FramingCase{"NoHeaderLines", "HTTP/1.1 200 OK\r\n\r\n\r\n\r\n", 19, "\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResponseMessage, LoadingNothingLeavesItEmpty)
{
    HttpResponseMessage message;
    Load(message, Response("", "old"));
    message.Load("HTTP/1.1 200 OK\r\n\r\nx", 0);
    EXPECT_EQ(message.Length(), 0u);
    EXPECT_EQ(message.HeaderLength(), 0u);
    EXPECT_EQ(message.BodyLength(), 0u);
}

struct DecodingCase {
    const char* name;
    std::string headers;
    std::string body;
};

const std::string kPlainBody = SampleXml(200000);

class Decoding : public ::testing::TestWithParam<DecodingCase> {};

TEST_P(Decoding, GivesThePlainBody)
{
    HttpResponseMessage message;
    Load(message, Response(GetParam().headers, GetParam().body));
    EXPECT_TRUE(message.Body().View() == kPlainBody)
        << "body of " << message.BodyLength() << " bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Codings, Decoding,
    ::testing::Values(
        DecodingCase{"Chunked", "Transfer-Encoding: chunked\r\n", Chunked(kPlainBody, 4096)},
        DecodingCase{"RawDeflate", "Content-Encoding: deflate\r\n",
                     Compress(kPlainBody, Wrapper::Raw)},
        DecodingCase{"ZlibDeflate", "Content-Encoding: Deflate\r\n",
                     Compress(kPlainBody, Wrapper::Zlib)},
        DecodingCase{"Gzip", "Content-Encoding: gzip\r\n", Compress(kPlainBody, Wrapper::Gzip)},
        DecodingCase{"ChunkedThenDeflate",
                     "Transfer-Encoding: chunked\r\nContent-Encoding: deflate\r\n",
                     Chunked(Compress(kPlainBody, Wrapper::Raw), 1000)},
        DecodingCase{"ChunkedThenGzip", "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n",
                     Chunked(Compress(kPlainBody, Wrapper::Gzip), 333)},
        DecodingCase{"CodingNamesIgnoreCase",
                     "transfer-encoding: chunked\r\ncontent-encoding: deflate\r\n",
                     Chunked(Compress(kPlainBody, Wrapper::Raw), 1000)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResponseMessage, KeepsUndecodableCompressedBodyAsReceived)
{
    HttpResponseMessage message;
    const std::string compressed = Compress(kPlainBody, Wrapper::Raw);
    const std::string truncated = compressed.substr(0, 1000);
    Load(message, Response("Content-Encoding: deflate\r\n", truncated));
    EXPECT_EQ(message.Body().View(), truncated);
    Load(message, Response("Content-Encoding: br\r\n", compressed));
    EXPECT_EQ(message.Body().View(), compressed);
}

TEST(ResponseMessage, DecompressionBombLeavesTheBodyEmpty)
{
    HttpResponseMessage message;
    const std::string bomb = CompressRepeated(std::string(1 << 20, '\0'), 80, Wrapper::Raw, 1);
    Load(message, Response("Transfer-Encoding: chunked\r\nContent-Encoding: deflate\r\n",
                           Chunked(bomb, 8192)));
    EXPECT_EQ(message.BodyLength(), 0u);
    EXPECT_GT(message.HeaderLength(), 0u);
}

TEST(ResponseMessage, ChunkedLastChunkFirstGivesAnEmptyBodyEvenWhenDeflate)
{
    HttpResponseMessage message;
    Load(message,
         Response("Transfer-Encoding: chunked\r\nContent-Encoding: deflate\r\n", "0\r\n\r\n"));
    EXPECT_EQ(message.BodyLength(), 0u);
}

TEST(ResponseMessage, DechunksItsOwnCopyAndNotTheCallersText)
{
    HttpResponseMessage message;
    const std::string text = Response("Transfer-Encoding: chunked\r\n", "3\r\nabc\r\n0\r\n\r\n");
    const std::string callers = text;
    Load(message, callers);
    EXPECT_EQ(callers, text);
    EXPECT_EQ(message.Body().View(), "abc");
    EXPECT_EQ(message.View().substr(message.HeaderLength(), 3), "abc");
}

TEST(ResponseMessage, SecondLoadStartsOver)
{
    HttpResponseMessage message;
    Load(message, Response("Transfer-Encoding: chunked\r\nContent-Encoding: deflate\r\n",
                           Chunked(Compress("first", Wrapper::Raw), 4)));
    ASSERT_EQ(message.Body().View(), "first");
    const std::string plain = Compress("second", Wrapper::Raw);
    Load(message, Response("Content-Type: text/xml\r\n", plain));
    EXPECT_EQ(message.Body().View(), plain);
    EXPECT_FALSE(message.Header().IsChunked());
    Load(message, "not http");
    EXPECT_EQ(message.HeaderLength(), 0u);
    EXPECT_TRUE(message.Header().Headers().empty());
}

TEST(ResponseMessage, CopiesHeaderAndBodyOut)
{
    HttpResponseMessage message;
    Load(message, Response("A: 1\r\n", "body"));
    std::unique_ptr<char[]> header;
    std::unique_ptr<char[]> body;
    ASSERT_EQ(message.CopyHeader(header, 0), message.HeaderLength());
    ASSERT_EQ(message.CopyBody(body, 0), 4u);
    EXPECT_EQ(std::string(header.get(), message.HeaderLength()), "HTTP/1.1 200 OK\r\nA: 1\r\n\r\n");
    EXPECT_EQ(std::string(body.get(), 4), "body");
}

}  // namespace
}  // namespace nvx::http
