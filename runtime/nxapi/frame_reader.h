#pragma once
// Reassembles the gateway's answer frames from a non-blocking socket, one
// call at a time, without ever reading past the end of the frame at hand:
// whatever the reader does not hold is still in the socket, where select()
// sees it.
#include <winsock2.h>

#include <cstdint>
#include <span>
#include <vector>

namespace nxapi {

class FrameReader {
public:
    // The result of GatewayReceive: the frame's service (> 0) once a whole
    // frame was copied to `area`, 0 when none is complete yet, or a negative
    // NXAPI_E_ code. After NXAPI_E_CONNECTION_LOST or NXAPI_E_MALFORMED_FRAME
    // the connection is no good; the owner closes it and calls Reset().
    int Receive(SOCKET socket, std::span<std::uint8_t> area);
    void Reset();

private:
    enum class Phase { header, payload, discard };
    enum class Progress { complete, pending, closed };

    Progress Fill(SOCKET socket);
    Progress Discard(SOCKET socket);
    int AcceptHeader(SOCKET socket, std::size_t capacity);
    int Deliver(std::span<std::uint8_t> area);

    Phase phase_ = Phase::header;
    std::vector<std::uint8_t> frame_;  // the frame at hand; its size is the frame's once the header is in
    std::size_t have_ = 0;
    std::uint64_t discard_left_ = 0;  // bytes of a dropped frame still to be read
};

}  // namespace nxapi
