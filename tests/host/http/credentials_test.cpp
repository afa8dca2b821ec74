// Credentials in URLs, Basic authorization, keeping credentials out of logs,
// and what an answer's status says about it.
#include <gtest/gtest.h>

#include <random>

#include "base/http/answer_status.h"
#include "base/http/credentials.h"
#include "base/http/url.h"

namespace nvx::http {
namespace {

struct CredentialCase {
    const char* url;
    bool present;
    const char* user;
    const char* password;
    const char* withoutCredentials;
};

class UrlCredentials : public ::testing::TestWithParam<CredentialCase> {};

TEST_P(UrlCredentials, AreFoundDecodedAndRemoved)
{
    const CredentialCase& c = GetParam();
    const auto credentials = CredentialsFromUrl(c.url);
    ASSERT_EQ(credentials.has_value(), c.present);
    if (c.present) {
        EXPECT_EQ(credentials->user, c.user);
        EXPECT_EQ(credentials->password, c.password);
    }
    EXPECT_EQ(UrlWithoutCredentials(c.url), c.withoutCredentials);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, UrlCredentials,
    ::testing::Values(CredentialCase{"https://alice:p%C3%A4%3Ass%2Fw%40rd@h:81/a", true, "alice",
                                     "p\xc3\xa4:ss/w@rd", "https://h:81/a"},
                      CredentialCase{"http://alice@h/", true, "alice", "", "http://h/"},
                      CredentialCase{"http://:pw@h/", true, "", "pw", "http://h/"},
                      CredentialCase{"http://a:b:c@h", true, "a", "b:c", "http://h"},
                      CredentialCase{"http://a@b@h/", true, "a@b", "", "http://h/"},
                      CredentialCase{"http://a%zz%4:%@h/", true, "a%zz%4", "%", "http://h/"},
                      CredentialCase{"http://@h/", false, "", "", "http://h/"},
                      CredentialCase{"http://h/x@y", false, "", "", "http://h/x@y"},
                      CredentialCase{"http://h?q=a@b/", false, "", "", "http://h?q=a@b/"},
                      CredentialCase{"http://h#a@b", false, "", "", "http://h#a@b"},
                      CredentialCase{"mailto:a@b", false, "", "", "mailto:a@b"},
                      CredentialCase{"x y://a@b/", false, "", "", "x y://a@b/"},
                      CredentialCase{"", false, "", "", ""}));

// Any user and password, every byte percent-encoded, come back as they were.
TEST(UrlCredentialsProperty, EncodedBytesRoundTrip)
{
    std::mt19937 random(20240613);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 12);
    const auto encoded = [](const std::string& text) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string out;
        for (const unsigned char c : text)
            out += {'%', kHex[c >> 4], kHex[c & 15]};
        return out;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string user, password;
        for (int i = length(random); i > 0; --i)
            user += static_cast<char>(byte(random));
        for (int i = length(random); i > 0; --i)
            password += static_cast<char>(byte(random));
        const std::string url =
            "http://" + encoded(user) + ":" + encoded(password) + "@host:8080/p?q";
        const auto credentials = CredentialsFromUrl(url);
        ASSERT_TRUE(credentials) << url;
        EXPECT_EQ(credentials->user, user);
        EXPECT_EQ(credentials->password, password);
        EXPECT_EQ(UrlWithoutCredentials(url), "http://host:8080/p?q");
        EXPECT_EQ(HostFromUrl(url), "host:8080");
        EXPECT_EQ(PathFromUrl(url), "/p?q");
    }
}

TEST(BasicAuthorization, IsTheBase64OfUserColonPassword)
{
    EXPECT_EQ(BasicAuthorization("Aladdin", "open sesame"), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(BasicAuthorization("", ""), "Basic Og==");
    EXPECT_EQ(BasicAuthorization("a", ""), "Basic YTo=");
    EXPECT_EQ(BasicAuthorization("ab", ""), "Basic YWI6");
    EXPECT_EQ(BasicAuthorization("alice", "p\xc3\xa4:ss/w@rd"), "Basic YWxpY2U6cMOkOnNzL3dAcmQ=");
}

TEST(CredentialsHidden, OnlyTheSchemeOfACredentialLineRemains)
{
    const struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"POST / HTTP/1.1\r\nHost: h\r\nAuthorization: Basic YWxpY2U6\r\nUser-Agent: x\r\n",
         "POST / HTTP/1.1\r\nHost: h\r\nAuthorization: Basic (hidden)\r\nUser-Agent: x\r\n"},
        {"proxy-authorization:Negotiate abc def\r\n", "proxy-authorization:Negotiate (hidden)\r\n"},
        {"AUTHORIZATION : token\n", "AUTHORIZATION : (hidden)\n"},
        {"Authorization: Basic abc", "Authorization: Basic (hidden)"},
        {"Authorization:\r\n", "Authorization:\r\n"},
        {"X-Authorization: Basic abc\r\nAuthorizationX: y\r\n",
         "X-Authorization: Basic abc\r\nAuthorizationX: y\r\n"},
        {"no lines at all", "no lines at all"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithCredentialsHidden(c.text), c.shown) << c.text;
}

TEST(AnswerStatus, IsReadFromTheStatusLineAndTheHead)
{
    const AnswerStatus status = ReadAnswerStatus(
        "HTTP/1.1 401 Unauthorized\r\ncontent-type : text/plain\r\n\r\nContent-Type: text/xml");
    EXPECT_EQ(status.code, 401);
    EXPECT_EQ(status.reason, "Unauthorized");
    EXPECT_EQ(status.contentType, "text/plain");
    EXPECT_EQ(ReadAnswerStatus("HTTP/1.1 404\r\n\r\n").code, 404);
    EXPECT_EQ(ReadAnswerStatus("HTTP/1.1 404\r\n\r\n").reason, "");
    EXPECT_EQ(ReadAnswerStatus("HTTP/1.1 20x OK\r\n\r\n").code, 0);
    EXPECT_EQ(ReadAnswerStatus("HTTP/1.1 2000 OK\r\n\r\n").code, 0);
    EXPECT_EQ(ReadAnswerStatus("<Envelope/>").code, 0);
    EXPECT_EQ(ReadAnswerStatus("").code, 0);
}

TEST(AnswerStatus, FailuresAreRefusedCredentialsAndErrorsWithoutXml)
{
    const struct {
        int code;
        const char* contentType;
        bool failed;
    } cases[] = {
        {200, "text/html", false},
        {204, "", false},
        {500, "text/xml; charset=utf-8", false},
        {500, "application/soap+xml", false},
        {401, "text/xml", true},
        {407, "", true},
        {404, "text/html", true},
        {503, "text/plain", true},
        {302, "", true},
        {0, "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsFailedAnswer(c.code, c.contentType), c.failed) << c.code << c.contentType;
    EXPECT_EQ(DescribeStatus(401, "Unauthorized"), "HTTP status 401 Unauthorized");
    EXPECT_EQ(DescribeStatus(404, ""), "HTTP status 404");
}

}  // namespace
}  // namespace nvx::http
