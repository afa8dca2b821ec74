#pragma once
// A gateway played by the test on 127.0.0.1: it takes connections and
// request frames, and writes whatever bytes the test gives it, so that the
// client meets split, joined, malformed and cut-off answers.
#include <winsock2.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nxcomm/frame.h"

namespace nxapi_test {

struct RequestFrame {
    nxcomm::FrameHeader header;
    std::vector<std::uint8_t> payload;
};

class FakeGateway {
public:
    FakeGateway();  // listens on a free port
    ~FakeGateway();
    FakeGateway(const FakeGateway&) = delete;
    FakeGateway& operator=(const FakeGateway&) = delete;

    std::string Address() const;  // "127.0.0.1:PORT"
    // Takes the next connection (in place of the current one).
    bool Accept();
    std::optional<RequestFrame> ReadRequest();
    bool Write(std::span<const std::uint8_t> bytes);
    // Whether the client closed the connection (nothing else came first).
    bool SeesClosed();
    // Ends the connection: closed in order, or reset as by a killed process.
    void Close();
    void Reset();

private:
    bool ReadExactly(std::span<std::uint8_t> into);

    SOCKET listener_ = INVALID_SOCKET;
    SOCKET peer_ = INVALID_SOCKET;
    int port_ = 0;
};

// An answer frame carrying `text` as its one piece.
std::vector<std::uint8_t> AnswerFrame(std::uint32_t requestId, std::string_view text,
                                      std::uint16_t service = nxcomm::kHttpRelayService);

}  // namespace nxapi_test
