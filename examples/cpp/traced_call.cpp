// Calls the sample service's Add over the default transport (the messaging
// gateway) with the trace log on, then prints the trace file's entries.
// Usage: traced_call <service url> <trace file>
// The gateway is the one NXCOMM_GATEWAY names (default 127.0.0.1:7575).
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "NvxWebSvc.h"

namespace {

VARIANT StringArray(std::initializer_list<const wchar_t*> items)
{
    VARIANT array;
    VariantInit(&array);
    V_VT(&array) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&array) = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    LONG index = 0;
    for (const wchar_t* item : items) {
        VARIANT text;
        V_VT(&text) = VT_BSTR;
        V_BSTR(&text) = SysAllocString(item);
        SafeArrayPutElement(V_ARRAY(&array), &index, &text);
        VariantClear(&text);
        ++index;
    }
    return array;
}

// The trace file with its zero bytes shown as "\0", one entry per line.
std::string Readable(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        if (c == '\0')
            text += "\\0";
        else if (c != '\r')
            text += c;
    }
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: traced_call <service url> <trace file>\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    IComWebSvc* caller = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ComWebSvc, nullptr, CLSCTX_INPROC_SERVER, IID_IComWebSvc,
                                  reinterpret_cast<void**>(&caller));
    if (SUCCEEDED(hr)) {
        INvxTracer* tracer = nullptr;
        caller->QueryInterface(IID_INvxTracer, reinterpret_cast<void**>(&tracer));
        BSTR tracePath = SysAllocString(argv[2]);
        tracer->put_OutputFile(tracePath);

        caller->put_Timeout(10000);  // SoapTransportProtocol stays 0: the gateway
        BSTR url = SysAllocString(argv[1]);
        BSTR method = SysAllocString(L"Add");
        VARIANT names = StringArray({L"a", L"b"});
        VARIANT values = StringArray({L"40", L"2"});
        BSTR xml = nullptr;
        hr = caller->get_Execute(url, method, names, values, &xml);
        tracer->put_OutputFile(nullptr);
        if (SUCCEEDED(hr)) std::wcout << L"Answer over the gateway:\n" << xml << L"\n\n";
        SysFreeString(xml);
        VariantClear(&values);
        VariantClear(&names);
        SysFreeString(method);
        SysFreeString(url);
        SysFreeString(tracePath);
        tracer->Release();
        caller->Release();

        std::ifstream file(argv[2], std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        std::cout << "Trace file (zero bytes shown as \\0):\n" << Readable(bytes.str()) << "\n";
    }
    if (FAILED(hr)) std::fprintf(stderr, "the call failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
