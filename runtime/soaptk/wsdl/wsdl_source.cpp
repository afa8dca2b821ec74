#include "runtime/soaptk/wsdl/wsdl_source.h"

#include <shlwapi.h>

#include <algorithm>
#include <vector>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/variant.h"
#include "base/toolkit/connector_property_names.h"
#include "mssoap.h"
#include "runtime/soaptk/connector/winhttp_session.h"
#include "runtime/soaptk/reader/message_bytes.h"
#include "runtime/soaptk/stream/stream_io.h"
#include "runtime/soaptk/text/ignoring_case.h"
#include "runtime/soaptk/wsdl/document_set.h"
#include "runtime/soaptk/wsdl/wsdl_parser.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kGet[] = L"GET";
constexpr ULONG kFacilityHttp = 25;
constexpr DWORD kReadChunk = 64 * 1024;

bool IsHttpUrl(std::wstring_view location)
{
    return StartsWithIgnoringCase(location, L"http://") || StartsWithIgnoringCase(location, L"https://");
}

HRESULT LastError()
{
    const DWORD error = GetLastError();
    return error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

HRESULT FetchOverHttp(std::wstring_view url, const WsdlFetchSettings& settings, std::vector<char>* bytes)
{
    WinHttpSession session(settings.proxy);
    HttpAnswer answer;
    const HRESULT hr = session.Exchange({url, kGet, L"", "", settings.timeoutMs}, &answer);
    if (FAILED(hr)) return hr;
    if (answer.status < 200 || answer.status > 299)
        return MAKE_HRESULT(SEVERITY_ERROR, kFacilityHttp, answer.status & 0xFFFF);
    *bytes = std::move(answer.body);
    return S_OK;
}

// Reads the whole file, up to the message limit; a file that grows while it
// is read is cut off at its size when opened.
HRESULT ReadFileBytes(const std::wstring& path, std::vector<char>* bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    LARGE_INTEGER size{};
    HRESULT hr = GetFileSizeEx(file, &size) ? S_OK : LastError();
    if (SUCCEEDED(hr) && static_cast<ULONGLONG>(size.QuadPart) > kMaxMessageSize)
        hr = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    if (SUCCEEDED(hr)) bytes->resize(static_cast<size_t>(size.QuadPart));
    size_t filled = 0;
    while (SUCCEEDED(hr) && filled < bytes->size()) {
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes->size() - filled, kReadChunk));
        DWORD read = 0;
        if (!ReadFile(file, bytes->data() + filled, wanted, &read, nullptr)) hr = LastError();
        if (read == 0) break;  // the file shrank
        filled += std::min<DWORD>(read, wanted);
    }
    CloseHandle(file);
    bytes->resize(filled);
    return hr;
}

HRESULT PathOfFileUrl(std::wstring_view url, std::wstring* path)
{
    const std::wstring text(url);
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    HRESULT hr = PathCreateFromUrlW(text.c_str(), buffer.data(), &length, 0);
    if (hr == E_POINTER && length > buffer.size() && length < 32768) {
        buffer.resize(length);
        hr = PathCreateFromUrlW(text.c_str(), buffer.data(), &length, 0);
    }
    if (FAILED(hr)) return hr;
    buffer.resize(std::min<size_t>(length, buffer.size()));
    *path = std::move(buffer);
    return S_OK;
}

// A GET through a connector of the caller's: what it answers is the document
// (a transport failure answers with a SOAP fault, which is no WSDL).
HRESULT FetchThroughConnector(std::wstring_view url, IClassFactory* connectors, std::vector<char>* bytes)
{
    ComPtr<ISoapConnector> connector;
    HRESULT hr =
        connectors->CreateInstance(nullptr, IID_ISoapConnector, reinterpret_cast<void**>(connector.GetAddressOf()));
    if (FAILED(hr)) return hr;
    Variant address;
    address->vt = VT_BSTR;
    address->bstrVal = Bstr(url).Detach();
    if (FAILED(hr = connector->put_Property(Bstr(toolkit::kEndPointUrl).Get(), *address))) return hr;
    if (FAILED(hr = connector->BeginMessage()) || FAILED(hr = connector->EndMessage())) return hr;
    ComPtr<IStream> answer;
    if (FAILED(hr = connector->get_OutputStream(&answer)) || !answer) return FAILED(hr) ? hr : E_UNEXPECTED;
    return ReadMessage(answer.Get(), bytes);
}

HRESULT FetchBytes(std::wstring_view location, const WsdlFetchSettings& settings, std::vector<char>* bytes)
{
    if (location.empty()) return E_INVALIDARG;
    if (IsHttpUrl(location) && settings.connectors)
        return FetchThroughConnector(location, settings.connectors.Get(), bytes);
    if (IsHttpUrl(location)) return FetchOverHttp(location, settings, bytes);
    std::wstring path(location);
    if (StartsWithIgnoringCase(location, L"file:")) {
        const HRESULT hr = PathOfFileUrl(location, &path);
        if (FAILED(hr)) return hr;
    }
    return ReadFileBytes(path, bytes);
}

}  // namespace

HRESULT ReadWsdl(std::wstring_view location, const WsdlFetchSettings& settings,
                 std::shared_ptr<const WsdlDescription>* description)
{
    std::vector<SourceDocument> documents;
    const auto fetch = [&](const std::wstring& at, std::vector<char>* bytes) {
        return FetchBytes(at, settings, bytes);
    };
    HRESULT hr = LoadDocumentSet(location, settings.originalLocation, fetch, DocumentLimits{}, &documents);
    if (FAILED(hr)) return hr;
    auto read = std::make_shared<WsdlDescription>();
    if (FAILED(hr = DescribeWsdl(documents, read.get()))) return hr;
    *description = std::move(read);
    return S_OK;
}

}  // namespace nvx::soaptk
