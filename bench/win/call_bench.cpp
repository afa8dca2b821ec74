// Calls per second against one canned SOAP server, for each way of making the
// call, from one thread or from several at once (each with its own caller
// object, gateway connection or socket):
//   execute-http     ComWebSvc::Execute over standard SOAP/HTTP (mssoap1's WinHTTP connector)
//   execute-gateway  ComWebSvc::Execute over the messaging gateway (NXCOMM_GATEWAY)
//   winhttp          a plain WinHTTP loop posting the same envelope, keep-alive
//                    disabled as in the toolkit connector, one session
//   winsock          a plain Winsock loop on one kept-alive connection, each
//                    request in one write with TCP_NODELAY
// usage: call_bench <canned url> <mode> <calls> [threads] [warm-up calls]
// The calls are shared out among the threads; each thread first makes its
// warm-up calls (default: a tenth of its share, and one), then all start the
// timed calls together. Prints "<mode> <calls/s in all>".
#include <winsock2.h>
#include <windows.h>
#include <ole2.h>
#include <winhttp.h>
#include <ws2tcpip.h>

#include <atomic>
#include <barrier>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "NvxWebSvc.h"

namespace {

const char kEnvelope[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    "<soap:Body><xs:Add xmlns:xs=\"http://www.norvexa.com/webservices/\"><xs:a>2</xs:a><xs:b>3</xs:b></xs:Add>"
    "</soap:Body></soap:Envelope>";
const wchar_t kSoapAction[] = L"SOAPAction: \"http://www.norvexa.com/webservices/Add\"\r\n"
                              L"Content-Type: text/xml; charset=utf-8\r\n";

using Call = std::function<bool()>;

VARIANT Array(std::initializer_list<VARIANT> items)
{
    VARIANT array;
    V_VT(&array) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&array) = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    LONG index = 0;
    for (VARIANT item : items) {
        SafeArrayPutElement(V_ARRAY(&array), &index, &item);
        VariantClear(&item);
        ++index;
    }
    return array;
}

VARIANT Text(const wchar_t* text)
{
    VARIANT value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = SysAllocString(text);
    return value;
}

VARIANT Number(LONG number)
{
    VARIANT value;
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
    return value;
}

// Execute through a caller made once, as an application would.
Call ExecuteCall(const std::wstring& url, _SOAPTRANSPORT_ transport)
{
    IComWebSvc* caller = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ComWebSvc, nullptr, CLSCTX_INPROC_SERVER, IID_IComWebSvc,
                                reinterpret_cast<void**>(&caller))))
        return nullptr;
    caller->put_SoapTransportProtocol(transport);
    caller->put_Timeout(10000);
    // Each thread's own arguments: the call locks their arrays while it reads them.
    return [caller, endPoint = std::wstring(url), names = Array({Text(L"a"), Text(L"b")}),
            values = Array({Number(2), Number(3)})] {
        BSTR url = SysAllocString(endPoint.c_str());
        BSTR method = SysAllocString(L"Add");
        BSTR xml = nullptr;
        const HRESULT hr = caller->get_Execute(url, method, names, values, &xml);
        const bool ok = SUCCEEDED(hr) && xml && wcsstr(xml, L"AddResult>5<");
        SysFreeString(xml);
        SysFreeString(method);
        SysFreeString(url);
        return ok;
    };
}

Call WinHttpCall(const std::wstring& url)
{
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    wchar_t host[256], path[1024];
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 1024;
    if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return nullptr;
    HINTERNET session =
        WinHttpOpen(L"call_bench", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    return [session, hostName = std::wstring(host), requestPath = std::wstring(path), port = parts.nPort] {
        HINTERNET connection = WinHttpConnect(session, hostName.c_str(), port, 0);
        HINTERNET request = WinHttpOpenRequest(connection, L"POST", requestPath.c_str(), nullptr, WINHTTP_NO_REFERER,
                                               WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
        DWORD disable = WINHTTP_DISABLE_KEEP_ALIVE;
        WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
        bool ok = WinHttpSendRequest(request, kSoapAction, static_cast<DWORD>(-1L), const_cast<char*>(kEnvelope),
                                     sizeof kEnvelope - 1, sizeof kEnvelope - 1, 0) &&
                  WinHttpReceiveResponse(request, nullptr);
        std::string body;
        for (DWORD available = 0; ok && WinHttpQueryDataAvailable(request, &available) && available > 0;) {
            std::string chunk(available, '\0');
            DWORD read = 0;
            ok = WinHttpReadData(request, chunk.data(), available, &read);
            body.append(chunk, 0, read);
        }
        WinHttpCloseHandle(request);
        WinHttpCloseHandle(connection);
        return ok && body.find("AddResult>5<") != std::string::npos;
    };
}

// One kept-alive connection; the answer ends where its Content-Length says.
Call WinsockCall(const std::wstring& url)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const size_t portAt = url.find(L':', 7);
    const int port = _wtoi(url.c_str() + portAt + 1);
    SOCKET connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return nullptr;
    BOOL noDelay = TRUE;
    setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&noDelay), sizeof noDelay);
    const std::string request = "POST / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nContent-Type: text/xml; charset=utf-8\r\nSOAPAction: \"Add\"\r\nContent-Length: " +
                                std::to_string(sizeof kEnvelope - 1) + "\r\n\r\n" + kEnvelope;
    return [connection, request] {
        if (send(connection, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size()))
            return false;
        std::string answer;
        char buffer[8192];
        for (;;) {
            const size_t headEnd = answer.find("\r\n\r\n");
            if (headEnd != std::string::npos) {
                const size_t lengthAt = answer.find("Content-Length: ");
                const size_t length =
                    lengthAt < headEnd ? std::strtoul(answer.c_str() + lengthAt + 16, nullptr, 10) : 0;
                if (answer.size() >= headEnd + 4 + length) break;
            }
            const int got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) return false;
            answer.append(buffer, static_cast<size_t>(got));
        }
        return answer.find("AddResult>5<") != std::string::npos;
    };
}

Call MakeCall(const std::wstring& url, const std::wstring& mode)
{
    return mode == L"execute-http"      ? ExecuteCall(url, SoapOverHTTP)
           : mode == L"execute-gateway" ? ExecuteCall(url, SoapOverNXComm)
           : mode == L"winhttp"         ? WinHttpCall(url)
           : mode == L"winsock"         ? WinsockCall(url)
                                        : nullptr;
}

struct Run {
    std::wstring url;
    std::wstring mode;
    int calls;   // this thread's share
    int warmUp;  // untimed calls first
};

// One thread's calls: set up, warm up, wait for the others, then the timed
// calls. False (with a message) when a call fails.
bool CallerThread(const Run& run, std::barrier<>& start)
{
    CoInitialize(nullptr);
    const Call call = MakeCall(run.url, run.mode);
    bool ok = call != nullptr;
    if (!ok) std::fprintf(stderr, "call_bench: cannot set up mode %ls\n", run.mode.c_str());
    for (int i = 0; ok && i < run.warmUp; ++i) ok = call();
    start.arrive_and_wait();
    for (int i = 0; ok && i < run.calls; ++i) ok = call();
    if (!ok) std::fprintf(stderr, "call_bench: a %ls call failed\n", run.mode.c_str());
    start.arrive_and_wait();
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: call_bench <canned url> <mode> <calls> [threads] [warm-up calls]\n");
        return 2;
    }
    const int threads = argc > 4 ? std::max(1, _wtoi(argv[4])) : 1;
    const int share = std::max(1, _wtoi(argv[3]) / threads);
    const Run run{argv[1], argv[2], share, argc > 5 ? _wtoi(argv[5]) : share / 10 + 1};

    // Every thread, and this one, meet once before the timed calls and once after.
    std::barrier start(threads + 1);
    std::atomic<bool> allOk = true;
    std::vector<std::thread> callers;
    for (int i = 0; i < threads; ++i)
        callers.emplace_back([&] {
            if (!CallerThread(run, start)) allOk = false;
        });
    start.arrive_and_wait();
    const auto started = std::chrono::steady_clock::now();
    start.arrive_and_wait();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (std::thread& caller : callers) caller.join();
    if (!allOk) return 1;
    std::printf("%ls %.1f\n", run.mode.c_str(), share * threads / seconds);
    return 0;
}
