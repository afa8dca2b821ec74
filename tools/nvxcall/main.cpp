// nvxcall: try a SOAP web service from the command line, through the
// NvxWebSvc library exactly as any COM client uses it. Usage: nvxcall --help.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/nvxcall/caller_session.h"
#include "tools/nvxcall/com_text.h"
#include "tools/nvxcall/exit_codes.h"
#include "tools/nvxcall/options.h"
#include "tools/nvxcall/response_xml.h"
#include "tools/nvxcall/result_printer.h"
#include "tools/nvxcall/wsdl_listing.h"

namespace nvxcall {
namespace {

void Write(FILE* stream, const std::string& text) { std::fwrite(text.data(), 1, text.size(), stream); }

int Fail(int code, const std::string& message)
{
    Write(stderr, "nvxcall: " + message + "\n");
    return code;
}

int CallFailed(HRESULT status) { return Fail(kCallFailed, ErrorDescription(status)); }

int ListWsdl(CallerSession& session, const Options& options)
{
    const std::string location = WsdlLocation(options.url);
    IWSDLReader* reader = nullptr;
    HRESULT hr = session.LoadWsdl(location, &reader);
    if (FAILED(hr)) return CallFailed(hr);
    std::string text;
    hr = DescribeWsdl(reader, &text);
    reader->Release();
    if (FAILED(hr)) return Fail(kCallFailed, "the WSDL at " + location + " could not be read");
    Write(stdout, text);
    return kSucceeded;
}

// An empty answer is either a method without a result or a method the WSDL
// does not have; only the WSDL can tell which.
int ExplainEmptyResult(CallerSession& session, const Options& options)
{
    IWSDLReader* reader = nullptr;
    bool found = true;
    if (SUCCEEDED(session.LoadWsdl(WsdlLocation(options.url), &reader))) {
        HasOperation(reader, options.method, &found);
        reader->Release();
    }
    if (!found)
        return Fail(kNoSuchOperation, "the service has no operation \"" + options.method + "\" (nvxcall --wsdl " +
                                          options.url + " lists them)");
    return kSucceeded;
}

int AnonymousCall(CallerSession& session, const Options& options)
{
    Variant result;
    const HRESULT hr = session.AnonymousCall(options, result.Get());
    if (FAILED(hr)) return CallFailed(hr);
    if (V_VT(result.Get()) == VT_EMPTY) return ExplainEmptyResult(session, options);
    std::string text;
    if (!PrintableResult(result.Ref(), options.csv, &text)) return Fail(kCallFailed, "the result could not be shown");
    Write(stdout, text);
    return kSucceeded;
}

int Execute(CallerSession& session, const Options& options)
{
    std::string xml;
    const HRESULT hr = session.Execute(options, &xml);
    if (FAILED(hr)) return CallFailed(hr);
    // The gateway answers its own failures with a fault, and the call succeeds.
    const bool fault = IsSoapFault(xml);
    std::string indented;
    if (!options.raw && SUCCEEDED(IndentXml(xml, &indented))) xml = indented;
    if (xml.empty() || xml.back() != '\n') xml += "\n";
    Write(fault ? stderr : stdout, xml);
    return fault ? kCallFailed : kSucceeded;
}

int Run(const Options& options)
{
    CallerSession session;
    const HRESULT hr = session.Open(options);
    if (hr == REGDB_E_CLASSNOTREG || hr == CO_E_CLASSSTRING)
        return Fail(kNotInstalled,
                    "NvxWebSvc is not installed for this bitness; run install.cmd (or install.cmd /user)");
    if (FAILED(hr)) return CallFailed(hr);
    switch (options.mode) {
    case Mode::ListWsdl: return ListWsdl(session, options);
    case Mode::Execute: return Execute(session, options);
    default: return AnonymousCall(session, options);
    }
}

}  // namespace
}  // namespace nvxcall

int wmain(int argc, wchar_t** argv)
{
    using namespace nvxcall;
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(Utf8(argv[i]));
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.error.empty()) return Fail(kUsage, parsed.error + " (nvxcall --help shows the usage)");
    if (parsed.options.mode == Mode::Help) {
        Write(stdout, UsageText());
        return kSucceeded;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail(kCallFailed, "COM could not start");
    const int code = Run(parsed.options);
    CoUninitialize();
    return code;
}
