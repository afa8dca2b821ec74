// Switches the trace log on and off through INvxTracer (a vtable-only
// interface, so C++ rather than script) and prints the file it wrote.
// Usage: trace_toggle <trace file>
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "NvxWebSvc.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: trace_toggle <trace file>\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    INvxTracer* tracer = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ComWebSvc, nullptr, CLSCTX_INPROC_SERVER, IID_INvxTracer,
                                  reinterpret_cast<void**>(&tracer));
    if (SUCCEEDED(hr)) {
        BSTR path = SysAllocString(argv[1]);
        tracer->put_OutputFile(path);     // trace on
        tracer->put_OutputFile(nullptr);  // trace off
        BSTR current = nullptr;
        tracer->get_OutputFile(&current);
        std::wcout << L"Trace file: " << (current ? current : L"") << L"\n";
        SysFreeString(current);
        SysFreeString(path);
        tracer->Release();

        std::ifstream file(argv[1], std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        std::cout << "Its contents: " << bytes.str() << "\n";
    } else {
        std::fprintf(stderr, "cannot create the caller: 0x%08lx\n", static_cast<unsigned long>(hr));
    }
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
