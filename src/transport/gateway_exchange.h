#pragma once
// One SOAP request and its answer over the messaging gateway: the head set
// aside, the request assembled and sent, the wait for the answer, and the
// answer (or an error reply in its place) decoded into the response.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/http/response_message.h"
#include "nxapi.h"

namespace nvx::transport {

class GatewayExchange {
public:
    static constexpr long kDefaultTimeout = 30000;
    static constexpr int kServiceCode = NXAPI_HTTP_RELAY_SERVICE;
    static constexpr int kReceiveAreaSize = NXAPI_RECEIVE_AREA_SIZE;

    GatewayExchange();
    ~GatewayExchange();
    GatewayExchange(const GatewayExchange&) = delete;
    GatewayExchange& operator=(const GatewayExchange&) = delete;

    void SetTimeout(long milliseconds) { timeout_ = milliseconds; }

    // Appends written bytes to the current gateway buffer; false when no buffer
    // can be had or the bytes cannot be appended.
    bool Append(const void* bytes, ULONG length);
    // What was written so far is the HTTP head: it is set aside.
    HRESULT CaptureHead();
    // Head, Content-Length line, empty line and payload go out as one request.
    HRESULT Send();
    // Blocks until the answer is in, an error is known or the time-out has
    // passed; the outcome is in Response().
    void WaitForAnswer();

    const http::HttpResponseMessage& Response() const { return response_; }

private:
    bool EnsureBuffer();
    void ReleaseBuffer();
    void CloseConnection();
    void AcceptAnswer(const uint8_t* message);
    void ReplyWithError(const std::string& text);
    // One select on the gateway socket and what it brought; true when done.
    bool WaitPass(NXAPI_SOCKET socket, long remaining);
    bool Drain();

    long timeout_ = kDefaultTimeout;
    std::string storedHead_;
    NXUBLOCK buffer_ = nullptr;
    NXCONNECTION connection_ = nullptr;
    int requestId_ = 0;
    std::unique_ptr<uint8_t[]> receiveArea_;
    http::HttpResponseMessage response_;
};

}  // namespace nvx::transport
