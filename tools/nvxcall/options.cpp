#include "tools/nvxcall/options.h"

#include <charconv>
#include <climits>

namespace nvxcall {
namespace {

struct Cursor {
    const std::vector<std::string>& items;
    size_t next = 0;

    bool Done() const { return next >= items.size(); }
    const std::string& Take() { return items[next++]; }
};

bool ParseTimeout(const std::string& text, long* value)
{
    long parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < 0 || parsed > INT_MAX) return false;
    *value = parsed;
    return true;
}

// An option that takes a value; returns an error text, empty when fine.
std::string TakeValue(Cursor& cursor, const std::string& option, std::string* value)
{
    if (cursor.Done()) return option + " needs a value";
    *value = cursor.Take();
    return {};
}

std::string ApplyOption(Cursor& cursor, const std::string& option, Options& options, bool* listWsdl, bool* execute)
{
    if (option == "--help" || option == "-h" || option == "/?") {
        options.mode = Mode::Help;
        return {};
    }
    if (option == "--wsdl") {
        *listWsdl = true;
        return TakeValue(cursor, option, &options.url);
    }
    if (option == "--execute") return (*execute = true), std::string();
    if (option == "--raw") return (options.raw = true), std::string();
    if (option == "--csv") return (options.csv = true), std::string();
    if (option == "--gzip") return (options.gzip = true), std::string();
    if (option == "--http") return (options.transport = Transport::Http), std::string();
    if (option == "--gateway") return (options.transport = Transport::Gateway), std::string();
    if (option == "--ns") return TakeValue(cursor, option, &options.nameSpace);
    if (option == "--trace") return TakeValue(cursor, option, &options.traceFile);
    if (option == "--timeout") {
        std::string text;
        std::string error = TakeValue(cursor, option, &text);
        long value = 0;
        if (error.empty() && !ParseTimeout(text, &value))
            error = "--timeout takes milliseconds (0 to 2147483647), not \"" + text + "\"";
        if (error.empty()) options.timeoutMs = value;
        return error;
    }
    return "unknown option " + option;
}

std::string ApplyPositional(const std::string& item, Options& options)
{
    if (options.url.empty()) return (options.url = item), std::string();
    if (options.method.empty()) return (options.method = item), std::string();
    const size_t equals = item.find('=');
    if (equals == std::string::npos || equals == 0) return "argument \"" + item + "\" is not of the form name=value";
    options.arguments.emplace_back(item.substr(0, equals), item.substr(equals + 1));
    return {};
}

// Options that only make sense together with others.
std::string CheckCombination(const Options& options, bool listWsdl, bool execute)
{
    if (listWsdl && execute) return "--wsdl and --execute exclude each other";
    if (listWsdl && !options.method.empty()) return "--wsdl takes no method or arguments";
    if (options.raw && !execute) return "--raw applies to --execute only";
    if (options.csv && execute) return "--csv applies to tables, which --execute does not produce";
    if (!listWsdl && options.url.empty()) return "missing the service URL";
    if (!listWsdl && options.method.empty()) return "missing the method name";
    return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    ParsedCommandLine parsed;
    Options& options = parsed.options;
    if (arguments.empty()) return parsed;
    Cursor cursor{arguments};
    bool listWsdl = false, execute = false, optionsEnded = false;
    while (!cursor.Done()) {
        const std::string& item = cursor.Take();
        std::string error;
        if (!optionsEnded && item == "--")
            optionsEnded = true;
        else if (!optionsEnded && item.size() > 1 && item[0] == '-')
            error = ApplyOption(cursor, item, options, &listWsdl, &execute);
        else if (!optionsEnded && item == "/?")
            error = ApplyOption(cursor, item, options, &listWsdl, &execute);
        else
            error = ApplyPositional(item, options);
        if (!error.empty()) return {options, error};
        if (options.mode == Mode::Help && (item == "--help" || item == "-h" || item == "/?")) return parsed;
    }
    parsed.error = CheckCombination(options, listWsdl, execute);
    options.mode = listWsdl ? Mode::ListWsdl : execute ? Mode::Execute : Mode::AnonymousCall;
    return parsed;
}

std::string UsageText()
{
    return R"(nvxcall: try a SOAP web service through NvxWebSvc, from the command line.

  nvxcall --wsdl URL                   list the services, ports and operations
                                       (with their parameters and types)
  nvxcall URL METHOD [name=value ...]  call METHOD, arguments bound by name
                                       through the WSDL (AnonymousCall)
  nvxcall --execute URL METHOD [name=value ...]
                                       call through Execute; print the answer's
                                       XML indented

Options:
  --execute        call through Execute instead of AnonymousCall
  --raw            with --execute: print the XML exactly as received
  --csv            print a table as CSV instead of aligned columns
  --ns URI         the method's namespace (Execute's NameSpace setting)
  --http           SOAP over standard HTTP (the default)
  --gateway        SOAP through the NXComm gateway (NXCOMM_GATEWAY, host:port)
  --timeout MS     give up after MS milliseconds
  --trace FILE     write the trace log to FILE
  --gzip           ask the service for compressed answers
  --help           this text
  --               ends the options (for values that begin with "-")

A URL is the service's address; "?WSDL" is added to find its WSDL.
Output is UTF-8. Errors and faults go to the standard error stream.

Exit codes:
  0  the call succeeded
  1  the service answered with a fault, or the library reported an error
  2  the command line is wrong
  3  NvxWebSvc is not installed for this bitness (run install.cmd)
  4  the WSDL has no operation of that name
)";
}

}  // namespace nvxcall
