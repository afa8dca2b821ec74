#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>
#include <ws2tcpip.h>

#include "runtime/soaptk/connector/tls_diagnosis.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace nvx::soaptk {
namespace {

constexpr int kMaxHandshakeRounds = 16;
constexpr size_t kMaxHandshakeBytes = 64 * 1024;
constexpr size_t kReceiveChunk = 16 * 1024;

struct WinsockSession {
    WinsockSession() : ok(WSAStartup(MAKEWORD(2, 2), &data) == 0) {}
    ~WinsockSession()
    {
        if (ok) WSACleanup();
    }
    WSADATA data{};
    bool ok;
};

struct SocketCloser {
    void operator()(SOCKET* socket) const
    {
        closesocket(*socket);
        delete socket;
    }
};
using OwnedSocket = std::unique_ptr<SOCKET, SocketCloser>;

struct CertificateFree {
    void operator()(const CERT_CONTEXT* certificate) const { CertFreeCertificateContext(certificate); }
};
using OwnedCertificate = std::unique_ptr<const CERT_CONTEXT, CertificateFree>;

struct ChainFree {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};
using OwnedChain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree>;

// Every blocking step of the probe waits at most this long.
void LimitWaits(SOCKET socket, DWORD timeoutMs)
{
    const DWORD limit = timeoutMs == 0 ? 1 : timeoutMs;
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
    setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
}

bool ConnectWithin(SOCKET socket, const ADDRINFOW& address, DWORD timeoutMs)
{
    u_long nonBlocking = 1;
    ioctlsocket(socket, FIONBIO, &nonBlocking);
    if (connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK)
        return false;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket, &writable);
    FD_SET(socket, &failed);
    timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    if (select(0, nullptr, &writable, &failed, &limit) != 1 || !FD_ISSET(socket, &writable)) return false;
    u_long blocking = 0;
    ioctlsocket(socket, FIONBIO, &blocking);
    LimitWaits(socket, timeoutMs);
    return true;
}

OwnedSocket Connect(const std::wstring& host, unsigned short port, DWORD timeoutMs)
{
    ADDRINFOW hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* addresses = nullptr;
    if (GetAddrInfoW(host.c_str(), std::to_wstring(port).c_str(), &hints, &addresses) != 0) return nullptr;
    OwnedSocket connected;
    for (const ADDRINFOW* address = addresses; address && !connected; address = address->ai_next) {
        OwnedSocket candidate(new SOCKET(socket(address->ai_family, SOCK_STREAM, IPPROTO_TCP)));
        if (*candidate != INVALID_SOCKET && ConnectWithin(*candidate, *address, timeoutMs))
            connected = std::move(candidate);
    }
    FreeAddrInfoW(addresses);
    return connected;
}

bool SendAll(SOCKET socket, const void* bytes, ULONG length)
{
    const char* next = static_cast<const char*>(bytes);
    while (length > 0) {
        const int sent = send(socket, next, static_cast<int>(length), 0);
        if (sent <= 0) return false;
        next += sent;
        length -= static_cast<ULONG>(sent);
    }
    return true;
}

// A client handshake with the server's certificate left for us to judge.
class Handshake {
public:
    Handshake()
    {
        SCHANNEL_CRED settings{};
        settings.dwVersion = SCHANNEL_CRED_VERSION;
        settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
        TimeStamp expiry;
        haveCredentials_ =
            AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                      &settings, nullptr, nullptr, &credentials_, &expiry) == SEC_E_OK;
    }
    ~Handshake()
    {
        if (haveContext_) DeleteSecurityContext(&context_);
        if (haveCredentials_) FreeCredentialsHandle(&credentials_);
    }
    Handshake(const Handshake&) = delete;
    Handshake& operator=(const Handshake&) = delete;

    OwnedCertificate PeerCertificate(SOCKET socket, const std::wstring& host)
    {
        if (!haveCredentials_) return nullptr;
        std::vector<char> received;
        for (int round = 0; round < kMaxHandshakeRounds; ++round) {
            const SECURITY_STATUS status = Step(socket, host, &received);
            if (status == SEC_E_OK) return Certificate();
            if (status != SEC_I_CONTINUE_NEEDED && status != SEC_E_INCOMPLETE_MESSAGE) return nullptr;
            if (!Receive(socket, &received)) return nullptr;
        }
        return nullptr;
    }

private:
    // One call of the handshake: consumes what was received, sends its token.
    SECURITY_STATUS Step(SOCKET socket, const std::wstring& host, std::vector<char>* received)
    {
        SecBuffer input[2] = {{static_cast<ULONG>(received->size()), SECBUFFER_TOKEN, received->data()},
                              {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inputDescription{SECBUFFER_VERSION, 2, input};
        SecBuffer output{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc outputDescription{SECBUFFER_VERSION, 1, &output};
        constexpr ULONG kRequirements = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                        ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;
        ULONG attributes = 0;
        TimeStamp expiry;
        const SECURITY_STATUS status = InitializeSecurityContextW(
            &credentials_, haveContext_ ? &context_ : nullptr, const_cast<wchar_t*>(host.c_str()), kRequirements, 0, 0,
            haveContext_ ? &inputDescription : nullptr, 0, &context_, &outputDescription, &attributes, &expiry);
        haveContext_ = true;
        const bool sent = output.cbBuffer == 0 || SendAll(socket, output.pvBuffer, output.cbBuffer);
        if (output.pvBuffer) FreeContextBuffer(output.pvBuffer);
        if (!sent) return SEC_E_INTERNAL_ERROR;
        if (status == SEC_I_CONTINUE_NEEDED)
            received->erase(received->begin(),
                            received->end() - (input[1].BufferType == SECBUFFER_EXTRA ? input[1].cbBuffer : 0));
        return status;
    }

    static bool Receive(SOCKET socket, std::vector<char>* received)
    {
        if (received->size() >= kMaxHandshakeBytes) return false;
        char chunk[kReceiveChunk];
        const int count = recv(socket, chunk, sizeof chunk, 0);
        if (count <= 0) return false;
        received->insert(received->end(), chunk, chunk + count);
        return true;
    }

    OwnedCertificate Certificate()
    {
        const CERT_CONTEXT* certificate = nullptr;
        if (QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK)
            return nullptr;
        return OwnedCertificate(certificate);
    }

    CredHandle credentials_{};
    CtxtHandle context_{};
    bool haveCredentials_ = false;
    bool haveContext_ = false;
};

std::wstring NameOf(const CERT_CONTEXT* certificate, DWORD type, DWORD flags)
{
    wchar_t name[256] = {};
    CertGetNameStringW(certificate, type, flags, nullptr, name, static_cast<DWORD>(std::size(name)));
    return name;
}

std::wstring DateText(const FILETIME& time)
{
    SYSTEMTIME date{};
    FileTimeToSystemTime(&time, &date);
    wchar_t text[16];
    std::swprintf(text, std::size(text), L"%04u-%02u-%02u", date.wYear, date.wMonth, date.wDay);
    return text;
}

std::wstring TimeValidity(const CERT_CONTEXT* certificate)
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const CERT_INFO& info = *certificate->pCertInfo;
    if (CompareFileTime(&now, &info.NotBefore) < 0)
        return L"the server's certificate is not valid before " + DateText(info.NotBefore);
    return L"the server's certificate expired on " + DateText(info.NotAfter);
}

// What the chain engine holds against the certificate; empty when nothing.
std::wstring ChainVerdict(const CERT_CONTEXT* certificate, const CERT_CHAIN_CONTEXT& chain)
{
    const DWORD errors = chain.TrustStatus.dwErrorStatus;
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID) return TimeValidity(certificate);
    if (errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return L"the server's certificate is not issued by a trusted authority (issuer: " +
               NameOf(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, CERT_NAME_ISSUER_FLAG) + L")";
    if (errors & CERT_TRUST_IS_REVOKED) return L"the server's certificate has been revoked";
    if (errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return L"the server's certificate is not meant for a TLS server";
    if (errors & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return L"the server's certificate has an invalid signature";
    return {};
}

// What the SSL policy holds against the chain for this host name.
std::wstring PolicyVerdict(const CERT_CONTEXT* certificate, const CERT_CHAIN_CONTEXT* chain, const std::wstring& host)
{
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
    CERT_CHAIN_POLICY_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &parameters, &status)) return {};
    switch (static_cast<HRESULT>(status.dwError)) {
    case S_OK: return {};
    case CERT_E_CN_NO_MATCH:
        return L"the server's certificate is not for " + host + L" (it names " +
               NameOf(certificate, CERT_NAME_DNS_TYPE, 0) + L")";
    case CERT_E_EXPIRED: return TimeValidity(certificate);
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING: return L"the server's certificate is not issued by a trusted authority";
    default: {
        wchar_t code[16];
        std::swprintf(code, std::size(code), L"0x%08lX", static_cast<unsigned long>(status.dwError));
        return std::wstring(L"the server's certificate fails the SSL policy (") + code + L")";
    }
    }
}

std::wstring Judge(const CERT_CONTEXT* certificate, const std::wstring& host)
{
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    const CERT_CHAIN_CONTEXT* chain = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &parameters, 0, nullptr,
                                 &chain))
        return {};
    const OwnedChain owned(chain);
    std::wstring verdict = ChainVerdict(certificate, *chain);
    return verdict.empty() ? PolicyVerdict(certificate, chain, host) : verdict;
}

}  // namespace

std::wstring DiagnoseServerCertificate(const std::wstring& host, unsigned short port, DWORD timeoutMs)
{
    const WinsockSession winsock;
    if (!winsock.ok || timeoutMs == 0) return {};
    const OwnedSocket socket = Connect(host, port, timeoutMs);
    if (!socket) return {};
    Handshake handshake;
    const OwnedCertificate certificate = handshake.PeerCertificate(*socket, host);
    return certificate ? Judge(certificate.get(), host) : std::wstring();
}

}  // namespace nvx::soaptk
