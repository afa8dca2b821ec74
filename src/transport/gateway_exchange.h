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
#include "src/transport/spare_receive_areas.h"

namespace nvx::transport {

// The gateway handles an exchange owns.
struct BufferRelease {
    void operator()(NXUBLOCK buffer) const { UBlockRelease(buffer); }
};
using UniqueBuffer = std::unique_ptr<NxUBlockRecord, BufferRelease>;
struct ConnectionClose {
    void operator()(NXCONNECTION connection) const { GatewayClose(connection); }
};
using UniqueConnection = std::unique_ptr<NxGatewayConnection, ConnectionClose>;

class GatewayExchange {
public:
    static constexpr long kDefaultTimeout = 30000;
    static constexpr int kServiceCode = NXAPI_HTTP_RELAY_SERVICE;

    GatewayExchange();
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
    // The answer's kind and id were checked: the message is ours.
    bool IsAnswer(int kind) const;
    void AcceptAnswer(const uint8_t* message);
    void ReplyWithError(const std::string& text);
    // The milliseconds left of the time-out since `started`.
    long Remaining(DWORD started) const;
    // The next message into the receive area, waiting at most `timeout`: its
    // kind, 0 when none came, or a negative NXAPI_E_ code.
    int ReceiveMessage(long timeout);

    long timeout_ = kDefaultTimeout;
    std::string storedHead_;
    UniqueBuffer buffer_;
    UniqueConnection connection_;
    int requestId_ = 0;
    ReceiveArea receiveArea_;
    http::HttpResponseMessage response_;
};

}  // namespace nvx::transport
