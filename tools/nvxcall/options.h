#pragma once
// nvxcall's command line, parsed without any Windows dependency so that its
// rules can be checked natively. Texts are UTF-8.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nvxcall {

enum class Mode { Help, ListWsdl, AnonymousCall, Execute };
enum class Transport { Http, Gateway };

struct Options {
    Mode mode = Mode::Help;
    std::string url;
    std::string method;
    std::vector<std::pair<std::string, std::string>> arguments;  // in command-line order
    Transport transport = Transport::Http;
    std::optional<long> timeoutMs;
    std::string nameSpace;
    std::string traceFile;
    bool gzip = false;
    bool csv = false;
    bool raw = false;
};

struct ParsedCommandLine {
    Options options;
    std::string error;  // empty when the command line is usable
};

// `arguments` excludes the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();

}  // namespace nvxcall
