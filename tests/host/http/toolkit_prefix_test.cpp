// Removing the toolkit's namespace prefix from markup and nowhere else.
#include <gtest/gtest.h>

#include <string>

#include "base/http/toolkit_prefix.h"

namespace nvx::http {
namespace {

std::string Remove(std::string payload)
{
    const std::uint32_t length =
        RemoveToolkitPrefix(payload.data(), static_cast<std::uint32_t>(payload.size()));
    EXPECT_LE(length, payload.size());
    payload.resize(length);
    return payload;
}

struct PrefixCase {
    const char* name;
    const char* payload;
    const char* sent;
};

class PrefixRemoval : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(PrefixRemoval, RewritesOnlyNamesInTags)
{
    EXPECT_EQ(Remove(GetParam().payload), GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(
    Payloads, PrefixRemoval,
    ::testing::Values(
        PrefixCase{"DeclarationAndTags",
                   "<SOAPSDK1:Add xmlns:SOAPSDK1=\"urn:calc\"><a>1</a></SOAPSDK1:Add>",
                   "<Add xmlns=\"urn:calc\"><a>1</a></Add>"},
        PrefixCase{"EmptyElement", "<SOAPSDK1:Ping/>", "<Ping/>"},
        PrefixCase{"AttributeName", "<a SOAPSDK1:b=\"1\"\tSOAPSDK1:c='2'>", "<a b=\"1\"\tc='2'>"},
        PrefixCase{"TextContent", "<a>SOAPSDK1:value and <b>x SOAPSDK1:y</b></a>",
                   "<a>SOAPSDK1:value and <b>x SOAPSDK1:y</b></a>"},
        PrefixCase{"AttributeValues", "<a b=\"SOAPSDK1:x\" c='SOAPSDK1:y' d=\"'SOAPSDK1:z\"/>",
                   "<a b=\"SOAPSDK1:x\" c='SOAPSDK1:y' d=\"'SOAPSDK1:z\"/>"},
        PrefixCase{"CloserInsideValue", "<a b=\">SOAPSDK1:x\" SOAPSDK1:c=\"1\">",
                   "<a b=\">SOAPSDK1:x\" c=\"1\">"},
        PrefixCase{"Comment", "<!-- <SOAPSDK1:a> --><SOAPSDK1:b/>", "<!-- <SOAPSDK1:a> --><b/>"},
        PrefixCase{"CData", "<a><![CDATA[<SOAPSDK1:a>]]></a>", "<a><![CDATA[<SOAPSDK1:a>]]></a>"},
        PrefixCase{"ProcessingInstructions",
                   "<?xml version=\"1.0\"?><?pi SOAPSDK1:x?><SOAPSDK1:a/>",
                   "<?xml version=\"1.0\"?><?pi SOAPSDK1:x?><a/>"},
        PrefixCase{"UnterminatedComment", "<!-- <SOAPSDK1:a>", "<!-- <SOAPSDK1:a>"},
        PrefixCase{"FollowedByADigit", "<SOAPSDK12:a xmlns:SOAPSDK12=\"u\"/>",
                   "<SOAPSDK12:a xmlns:SOAPSDK12=\"u\"/>"},
        PrefixCase{"InsideALongerPrefix", "<XSOAPSDK1:a xmlns:XSOAPSDK1=\"u\"/>",
                   "<XSOAPSDK1:a xmlns:XSOAPSDK1=\"u\"/>"},
        PrefixCase{"LocalNameOfAnotherPrefix", "<x:SOAPSDK1 a:SOAPSDK1=\"1\"/>",
                   "<x:SOAPSDK1 a:SOAPSDK1=\"1\"/>"},
        PrefixCase{"NoColonEitherSide", "<SOAPSDK1 SOAPSDK1=\"1\"/>", "<SOAPSDK1 SOAPSDK1=\"1\"/>"},
        PrefixCase{"AdjacentWithColons", "<SOAPSDK1:SOAPSDK1:a/>", "<a/>"},
        PrefixCase{"AdjacentTokens", "<SOAPSDK1SOAPSDK1:a/>", "<SOAPSDK1SOAPSDK1:a/>"},
        PrefixCase{"AdjacentDeclarations", "<a xmlns:SOAPSDK1='u' xmlns:SOAPSDK1 ='v'>",
                   "<a xmlns='u' xmlns ='v'>"},
        PrefixCase{"DeclarationAtTheEnd", "<a xmlns:SOAPSDK1", "<a xmlns"},
        PrefixCase{"TokenAtTheEndOfATag", "<SOAPSDK1", "<SOAPSDK1"},
        PrefixCase{"ColonAtTheEnd", "<a><SOAPSDK1:", "<a><SOAPSDK1:"},
        PrefixCase{"NoLocalName", "<SOAPSDK1:!-- x --><SOAPSDK1:?y?>",
                   "<SOAPSDK1:!-- x --><SOAPSDK1:?y?>"},
        PrefixCase{"TokenAtTheEndOfText", "<a>SOAPSDK1", "<a>SOAPSDK1"},
        PrefixCase{"CaseSensitive", "<soapsdk1:a/>", "<soapsdk1:a/>"}, PrefixCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrefixRemoval, NeverLooksPastTheLength)
{
    std::string payload = "<SOAPSDK1:a>";
    // The colon after the token lies outside the stated length.
    EXPECT_EQ(RemoveToolkitPrefix(payload.data(), 9), 9u);
    EXPECT_EQ(payload, "<SOAPSDK1:a>");
}

TEST(PrefixRemoval, RewritesAWholeEnvelope)
{
    const std::string envelope =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<SOAP-ENV:Body><SOAPSDK1:Echo xmlns:SOAPSDK1=\"urn:svc\">"
        "<text>say SOAPSDK1:hello</text></SOAPSDK1:Echo></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    const std::string sent =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<SOAP-ENV:Body><Echo xmlns=\"urn:svc\">"
        "<text>say SOAPSDK1:hello</text></Echo></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    EXPECT_EQ(Remove(envelope), sent);
}

}  // namespace
}  // namespace nvx::http
