#include <gtest/gtest.h>

#include <sstream>

#include "tools/nvxcall/options.h"

namespace nvxcall {
namespace {

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

TEST(NvxcallOptions, UsableCommandLines)
{
    auto call = ParseCommandLine(
        Words("--timeout 500 --gateway http://h/ Add a=1 b==2 --trace t.log --gzip"));
    ASSERT_EQ(call.error, "");
    EXPECT_EQ(call.options.mode, Mode::AnonymousCall);
    EXPECT_EQ(call.options.url, "http://h/");
    EXPECT_EQ(call.options.method, "Add");
    const std::vector<std::pair<std::string, std::string>> arguments{{"a", "1"}, {"b", "=2"}};
    EXPECT_EQ(call.options.arguments, arguments);
    EXPECT_EQ(call.options.transport, Transport::Gateway);
    EXPECT_EQ(call.options.timeoutMs, 500);
    EXPECT_EQ(call.options.traceFile, "t.log");
    EXPECT_TRUE(call.options.gzip);

    auto list = ParseCommandLine(Words("--wsdl http://h/"));
    EXPECT_EQ(list.error, "");
    EXPECT_EQ(list.options.mode, Mode::ListWsdl);

    auto execute = ParseCommandLine(Words("--execute --raw --ns urn:x http://h/ Echo -- text=-1"));
    EXPECT_EQ(execute.error, "");
    EXPECT_EQ(execute.options.mode, Mode::Execute);
    EXPECT_EQ(execute.options.nameSpace, "urn:x");
    EXPECT_EQ(execute.options.arguments.at(0).second, "-1");

    for (const char* help : {"", "--help", "http://h/ --help", "-h", "/?"})
        EXPECT_EQ(ParseCommandLine(Words(help)).options.mode, Mode::Help) << help;
}

TEST(NvxcallOptions, RefusedCommandLinesSayWhy)
{
    const struct {
        const char* line;
        const char* reason;
    } rows[] = {
        {"http://h/", "missing the method name"},
        {"--gzip", "missing the service URL"},
        {"http://h/ Add a", "not of the form name=value"},
        {"http://h/ Add =1", "not of the form name=value"},
        {"--timeout", "--timeout needs a value"},
        {"--timeout 12x http://h/ Add", "milliseconds"},
        {"--timeout -5 http://h/ Add", "milliseconds"},
        {"--timeout 99999999999 http://h/ Add", "milliseconds"},
        {"--wsdl http://h/ Add", "--wsdl takes no method"},
        {"--wsdl http://h/ --execute", "exclude each other"},
        {"--raw http://h/ Add", "--raw applies to --execute only"},
        {"--execute --csv http://h/ Add", "--csv applies to tables"},
        {"--verbose http://h/ Add", "unknown option --verbose"},
    };
    for (const auto& row : rows) {
        const std::string error = ParseCommandLine(Words(row.line)).error;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.line << " -> " << error;
    }
}

TEST(NvxcallOptions, UsageNamesEveryOptionAndExitCode)
{
    const std::string usage = UsageText();
    for (const char* item :
         {"--wsdl", "--execute", "--raw", "--csv", "--ns", "--http", "--gateway", "--timeout",
          "--trace", "--gzip", "--help", "  0  ", "  1  ", "  2  ", "  3  ", "  4  "})
        EXPECT_NE(usage.find(item), std::string::npos) << item;
}

}  // namespace
}  // namespace nvxcall
