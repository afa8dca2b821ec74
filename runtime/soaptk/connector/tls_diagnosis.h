#pragma once
// Why a server's certificate was refused, found out after WinHTTP refused it:
// WinHTTP reports only that the secure channel failed (Wine's not even which
// check refused it). The connector then fetches the certificate in a TLS
// handshake of its own, which sends no request byte, and puts it to the
// system's chain and SSL policy checks against the name it asked for.
#include <windows.h>

#include <string>

namespace nvx::soaptk {

// The reason in words ("the server's certificate expired on 2021-01-01"); empty
// when the certificate cannot be had within `timeoutMs` or passes every check.
std::wstring DiagnoseServerCertificate(const std::wstring& host, unsigned short port, DWORD timeoutMs);

}  // namespace nvx::soaptk
