#pragma once
// Why an exchange failed, in the words the connector's error object carries:
// the connection refused, the host not found, the time-out and its length,
// the TLS reason, or the HTTP status.
#include <windows.h>

#include <string>

namespace nvx::soaptk {

struct ExchangeTarget {
    std::wstring host;
    unsigned short port = 0;
    bool secure = false;
};

// The cause of `failure` (an HRESULT from WinHTTP or the exchange around it)
// when talking to `target` with `timeoutMs` to spend; `diagnosisMs` bounds
// the look at a refused certificate.
std::wstring DescribeExchangeFailure(HRESULT failure, const ExchangeTarget& target, DWORD timeoutMs, DWORD diagnosisMs);

// The failure status of an answer that stands for a failure: the HTTP status
// in the control facility, as the toolkit's connector has always reported it
// (0x800A0191 for a 401).
HRESULT StatusFailure(DWORD status);

// Leaves `description` in the thread's error object, as the connector's.
HRESULT RaiseConnectorError(HRESULT failure, const std::wstring& description);

}  // namespace nvx::soaptk
