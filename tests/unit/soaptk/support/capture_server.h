#pragma once
// A one-request HTTP server on 127.0.0.1 that keeps the request it receives
// and answers with fixed bytes, so tests can see exactly what a client sent.
#include <winsock2.h>

#include <string>
#include <thread>

namespace nvx::test {

class CaptureServer {
public:
    explicit CaptureServer(std::string response);
    ~CaptureServer();
    CaptureServer(const CaptureServer&) = delete;
    CaptureServer& operator=(const CaptureServer&) = delete;

    // "http://127.0.0.1:<port><path>"; also usable as a proxy's address.
    std::wstring Url(const wchar_t* path) const;
    std::wstring HostAndPort() const;

    // The request as received (head and body); waits for the exchange to end.
    std::string Request();

private:
    void Serve();

    std::string response_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::string request_;
    std::thread thread_;
};

// A loopback port on which nothing listens.
unsigned short UnusedPort();

}  // namespace nvx::test
