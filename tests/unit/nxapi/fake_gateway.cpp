#include "fake_gateway.h"

#include "nxapi_test_support.h"

namespace nxapi_test {

namespace {

// Long enough for a loaded machine, short enough that a broken client fails
// the test instead of hanging it.
constexpr int kWaitMs = 10000;

}  // namespace

FakeGateway::FakeGateway()
{
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    listen(listener_, 4);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
}

FakeGateway::~FakeGateway()
{
    Close();
    closesocket(listener_);
}

std::string FakeGateway::Address() const { return "127.0.0.1:" + std::to_string(port_); }

bool FakeGateway::Accept()
{
    Close();
    if (!WaitReadable(listener_, kWaitMs)) return false;
    peer_ = accept(listener_, nullptr, nullptr);
    return peer_ != INVALID_SOCKET;
}

bool FakeGateway::ReadExactly(std::span<std::uint8_t> into)
{
    while (!into.empty()) {
        if (!WaitReadable(peer_, kWaitMs)) return false;
        const int received = recv(peer_, reinterpret_cast<char*>(into.data()), static_cast<int>(into.size()), 0);
        if (received <= 0) return false;
        into = into.subspan(static_cast<std::size_t>(received));
    }
    return true;
}

std::optional<RequestFrame> FakeGateway::ReadRequest()
{
    std::uint8_t header[nxcomm::kHeaderSize];
    if (!ReadExactly(header)) return std::nullopt;
    RequestFrame frame{nxcomm::decode_header(header), {}};
    frame.payload.resize(frame.header.payload_length);
    if (!ReadExactly(frame.payload)) return std::nullopt;
    return frame;
}

bool FakeGateway::Write(std::span<const std::uint8_t> bytes)
{
    return send(peer_, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0) ==
           static_cast<int>(bytes.size());
}

bool FakeGateway::SeesClosed()
{
    char byte;
    return WaitReadable(peer_, kWaitMs) && recv(peer_, &byte, 1, 0) == 0;
}

void FakeGateway::Close()
{
    if (peer_ != INVALID_SOCKET) closesocket(peer_);
    peer_ = INVALID_SOCKET;
}

void FakeGateway::Reset()
{
    const linger abort{1, 0};
    setsockopt(peer_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    Close();
}

std::vector<std::uint8_t> AnswerFrame(std::uint32_t requestId, std::string_view text, std::uint16_t service)
{
    const nxcomm::Bytes piece(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return nxcomm::encode_frame(nxcomm::FrameHeader{requestId, service, nxcomm::kAnswerMode, 0, 0},
                                std::span(&piece, 1));
}

}  // namespace nxapi_test
