#pragma once
// Helpers shared by the Windows unit tests.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "base/common/com_ptr.h"

namespace nvx::test {

// Initialises COM (single-threaded apartment) for the test's lifetime.
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment()
    {
        if (ok_) CoUninitialize();
    }

private:
    bool ok_;
};

// "http://127.0.0.1:<port><path>" of a service started by the test fixture
// `services` ("sample" or "canned"); empty when the service is not running.
std::wstring ServiceUrl(const char* service, const wchar_t* path = L"/");

// "https://localhost:<port><path>" of a TLS peer started by the test fixture
// `tls`: "tls" (a certificate the tests trust), "tls-wrong-name",
// "tls-untrusted" or "tls-expired"; empty when the peers are not running.
std::wstring SecureServiceUrl(const char* peer, const wchar_t* path = L"/");

// The bytes one of the refusing TLS peers received after its handshakes, in
// all; -1 when unknown.
long BytesReceivedBy(const char* peer);

// The user information of the one user the test services' protected paths
// know, the password percent-encoded as a URL carries it ("p\u00e4:ss/w@rd").
inline constexpr wchar_t kTestUserInfo[] = L"alice:p%C3%A4%3Ass%2Fw%40rd";

// `url` with `userInfo` and an "@" after its "scheme://".
std::wstring WithUserInfo(const std::wstring& url, const std::wstring& userInfo);

// "127.0.0.1:<port>" of the gateway started by the test fixture `gateway`, as
// NXCOMM_GATEWAY takes it; empty when the gateway is not running.
std::string GatewayAddress();

// The directory of the running test program (where the project's DLLs are).
std::wstring ProgramDirectory();

// The XML text of a node without the white space between its tags: Wine's
// MSXML indents it, Windows' does not.
std::wstring WithoutIndentation(std::wstring text);

// The description of the calling thread's error object; empty when there is none.
std::wstring ErrorDescription();

// Makes the loaded NXLoader.dll refuse these classes (none: refuse nothing).
HRESULT DenyLoaderClasses(std::initializer_list<CLSID> classes);

// A new object of a registered in-process class, or null (with a test failure).
template <class I>
ComPtr<I> CreateInProcess(REFCLSID clsid)
{
    ComPtr<I> object;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I),
                                        reinterpret_cast<void**>(object.GetAddressOf()));
    EXPECT_EQ(hr, S_OK) << "creating an in-process object";
    return object;
}

}  // namespace nvx::test

// Compares HRESULTs and prints them in hex.
#define EXPECT_HR(expected, expression)                                                                                \
    EXPECT_PRED_FORMAT2(::nvx::test::HresultEquals, static_cast<HRESULT>(expected), static_cast<HRESULT>(expression))
#define ASSERT_HR(expected, expression)                                                                                \
    ASSERT_PRED_FORMAT2(::nvx::test::HresultEquals, static_cast<HRESULT>(expected), static_cast<HRESULT>(expression))

namespace nvx::test {
::testing::AssertionResult HresultEquals(const char* expectedText, const char* actualText, HRESULT expected,
                                         HRESULT actual);
}
