#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace nvx::test {

namespace {

// The number a fixture's service wrote in <service><suffix>, or -1.
long ServiceNumber(const char* service, const char* suffix)
{
    const char* directory = std::getenv("NVX_SERVICE_DIR");
    if (!directory) return -1;
    std::ifstream file(std::string(directory) + "\\" + service + suffix);
    long number = -1;
    if (!(file >> number)) return -1;
    return number;
}

// The port a fixture's service listens on, 0 when it is not running.
int ServicePort(const char* service)
{
    const long port = ServiceNumber(service, ".port");
    return port > 0 && port < 65536 ? static_cast<int>(port) : 0;
}

}  // namespace

std::wstring ServiceUrl(const char* service, const wchar_t* path)
{
    const int port = ServicePort(service);
    if (port == 0) return {};
    return L"http://127.0.0.1:" + std::to_wstring(port) + path;
}

std::wstring SecureServiceUrl(const char* peer, const wchar_t* path)
{
    const int port = ServicePort(peer);
    if (port == 0) return {};
    return L"https://localhost:" + std::to_wstring(port) + path;
}

long BytesReceivedBy(const char* peer) { return ServiceNumber(peer, ".received"); }

std::wstring WithUserInfo(const std::wstring& url, const std::wstring& userInfo)
{
    const size_t authority = url.find(L"://");
    if (authority == std::wstring::npos) return url;
    return url.substr(0, authority + 3) + userInfo + L"@" + url.substr(authority + 3);
}

std::string GatewayAddress()
{
    const int port = ServicePort("gateway");
    if (port == 0) return {};
    return "127.0.0.1:" + std::to_string(port);
}

std::wstring ProgramDirectory()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

std::wstring ErrorDescription()
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info) return {};
    BSTR description = nullptr;
    info->GetDescription(&description);
    std::wstring text = description ? description : L"";
    SysFreeString(description);
    return text;
}

HRESULT DenyLoaderClasses(std::initializer_list<CLSID> classes)
{
    using DenyFn = HRESULT(WINAPI*)(const CLSID*, UINT);
    const HMODULE loader = GetModuleHandleW(L"NXLoader.dll");
    const auto deny =
        loader
            ? reinterpret_cast<DenyFn>(reinterpret_cast<void*>(GetProcAddress(loader, "NxLoaderDenyClassesForTesting")))
            : nullptr;
    if (!deny) return E_NOTIMPL;
    return deny(classes.begin(), static_cast<UINT>(classes.size()));
}

std::wstring WithoutIndentation(std::wstring text)
{
    size_t close = 0;
    while ((close = text.find(L'>', close)) != std::wstring::npos) {
        const size_t next = text.find_first_not_of(L" \t\r\n", close + 1);
        if (next != std::wstring::npos && text[next] == L'<') text.erase(close + 1, next - close - 1);
        ++close;
    }
    return text;
}

::testing::AssertionResult HresultEquals(const char* expectedText, const char* actualText, HRESULT expected,
                                         HRESULT actual)
{
    if (expected == actual) return ::testing::AssertionSuccess();
    char text[256];
    std::snprintf(text, sizeof text, "%s is 0x%08lx, expected %s = 0x%08lx", actualText,
                  static_cast<unsigned long>(actual), expectedText, static_cast<unsigned long>(expected));
    return ::testing::AssertionFailure() << text;
}

}  // namespace nvx::test
