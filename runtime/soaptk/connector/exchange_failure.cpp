#include "runtime/soaptk/connector/exchange_failure.h"

#include <winhttp.h>

#include "base/common/error_info.h"
#include "mssoap.h"
#include "runtime/soaptk/connector/tls_diagnosis.h"
#include "runtime/soaptk/stream/stream_io.h"

namespace nvx::soaptk {
namespace {

std::wstring Address(const ExchangeTarget& target) { return target.host + L":" + std::to_wstring(target.port); }

bool IsTlsFailure(DWORD code)
{
    switch (code) {
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE: return true;
    default: return false;
    }
}

// The reason WinHTTP's own code gives, for when the certificate itself
// cannot be looked at.
std::wstring TlsCodeReason(DWORD code)
{
    switch (code) {
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID: return L"the server's certificate has expired or is not yet valid";
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID: return L"the server's certificate is for another host name";
    case ERROR_WINHTTP_SECURE_INVALID_CA: return L"the server's certificate is not issued by a trusted authority";
    case ERROR_WINHTTP_SECURE_CERT_REVOKED: return L"the server's certificate has been revoked";
    default: return L"the secure channel could not be set up";
    }
}

std::wstring TlsFailure(HRESULT failure, const ExchangeTarget& target, DWORD diagnosisMs)
{
    std::wstring reason = DiagnoseServerCertificate(target.host, target.port, diagnosisMs);
    if (reason.empty()) reason = TlsCodeReason(HRESULT_CODE(failure)) + L" (" + FailureText(failure) + L")";
    return L"TLS with " + Address(target) + L": " + reason;
}

}  // namespace

std::wstring DescribeExchangeFailure(HRESULT failure, const ExchangeTarget& target, DWORD timeoutMs, DWORD diagnosisMs)
{
    const DWORD code = HRESULT_FACILITY(failure) == FACILITY_WIN32 ? HRESULT_CODE(failure) : 0;
    if (failure == E_INVALIDARG) return L"the endpoint URL is not an http:// or https:// URL with a host";
    if (IsTlsFailure(code)) return TlsFailure(failure, target, diagnosisMs);
    switch (code) {
    case ERROR_WINHTTP_TIMEOUT: return L"time-out after " + std::to_wstring(timeoutMs) + L" ms";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return L"host not found: " + target.host;
    case ERROR_WINHTTP_CANNOT_CONNECT: return L"connection refused by " + Address(target) + L" (or it is unreachable)";
    case ERROR_WINHTTP_CONNECTION_ERROR: return L"the connection to " + Address(target) + L" ended before the answer";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return L"the answer from " + Address(target) + L" is not HTTP";
    case ERROR_FILE_TOO_LARGE: return L"the answer is larger than " + std::to_wstring(kMaxMessageSize) + L" bytes";
    default: return FailureText(failure);
    }
}

HRESULT StatusFailure(DWORD status) { return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, status & 0xFFFF); }

HRESULT RaiseConnectorError(HRESULT failure, const std::wstring& description)
{
    SetErrorDescription(IID_ISoapConnector, description);
    return failure;
}

}  // namespace nvx::soaptk
