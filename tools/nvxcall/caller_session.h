#pragma once
// The library, used as any client uses it: the caller object created by its
// class id, its settings and calls through the type library's interfaces.
#include <windows.h>

#include <string>

#include "NvxWebSvc.h"
#include "mssoap.h"
#include "tools/nvxcall/com_text.h"
#include "tools/nvxcall/options.h"

namespace nvxcall {

class CallerSession {
public:
    CallerSession() = default;
    ~CallerSession();
    CallerSession(const CallerSession&) = delete;
    CallerSession& operator=(const CallerSession&) = delete;

    // Creates the caller and applies the options' settings (transport,
    // time-out, namespace, compression, trace file).
    HRESULT Open(const Options& options);

    HRESULT AnonymousCall(const Options& options, VARIANT* result);
    HRESULT Execute(const Options& options, std::string* xml);
    // The WSDL reader the caller hands out for its transport, loaded.
    HRESULT LoadWsdl(const std::string& wsdlLocation, IWSDLReader** reader);

private:
    HRESULT ApplySettings(const Options& options);

    IComWebSvc* caller_ = nullptr;
    INvxTracer* tracer_ = nullptr;
};

// "?WSDL" appended to a service address that has no query of its own.
std::string WsdlLocation(const std::string& url);

}  // namespace nvxcall
