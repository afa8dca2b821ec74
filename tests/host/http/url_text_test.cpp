// The URL rules and the small text routines the header parser relies on.
#include <gtest/gtest.h>

#include "base/http/ascii_text.h"
#include "base/http/url.h"

namespace nvx::http {
namespace {

struct UrlCase {
    const char* url;
    const char* host;
    const char* path;
};

class UrlRules : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlRules, SplitHostAndPath)
{
    const UrlCase& c = GetParam();
    EXPECT_EQ(HostFromUrl(c.url), c.host);
    EXPECT_EQ(PathFromUrl(c.url), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Endpoints, UrlRules,
    ::testing::Values(
        UrlCase{"http://host:8080/svc/Quote.asmx?x=1", "host:8080", "/svc/Quote.asmx?x=1"},
        UrlCase{"HTTP://Host/a", "Host", "/a"}, UrlCase{"HtTp://Host/A/b", "Host", "/A/b"},
        UrlCase{"http://host", "host", "/"}, UrlCase{"http://host?q=/x", "host?q=", "/x"},
        UrlCase{"https://host/a", "localhost", "https://host/a"},
        UrlCase{"https://u:p@host/a", "localhost", "https://host/a"},
        UrlCase{"http://u@h:1/a@b", "h:1", "/a@b"},
        UrlCase{"HTTPS://host/a", "localhost", "httpS://host/a"}, UrlCase{"http://", "", "/"},
        UrlCase{"http:/", "localhost", "http:/"}, UrlCase{"", "localhost", ""}));

TEST(EqualsNoCase, FoldsOnlyAsciiLettersAndComparesWholeStrings)
{
    EXPECT_TRUE(EqualsNoCase("deflate", "DEFLATE"));
    EXPECT_TRUE(EqualsNoCase("Deflate", "deflate"));
    EXPECT_TRUE(EqualsNoCase("", ""));
    EXPECT_FALSE(EqualsNoCase("deflate", "deflate, gzip"));
    EXPECT_FALSE(EqualsNoCase("deflat", "deflate"));
    // Bytes that differ by 0x20 but are not letters must stay different.
    EXPECT_FALSE(EqualsNoCase("[", "{"));
    EXPECT_FALSE(EqualsNoCase("@", "`"));
    EXPECT_FALSE(EqualsNoCase("\xe9", "\xc9"));
}

TEST(TrimSpaces, RemovesTheSixAsciiSpacesOnly)
{
    EXPECT_EQ(TrimSpaces(" \t\r\n\v\fa b\f\v\n\r\t "), "a b");
    EXPECT_EQ(TrimSpaces("   "), "");
    EXPECT_EQ(TrimSpaces(""), "");
    EXPECT_EQ(TrimSpaces("\xa0x\x85"), "\xa0x\x85");
}

}  // namespace
}  // namespace nvx::http
