#include <winsock2.h>
#include <ws2tcpip.h>

#include "scripted_gateway.h"

#include <nxcomm/frame.h>

namespace nvx::test {
namespace {

// Receives exactly `size` bytes, giving up when the gateway is stopped.
bool ReceiveExactly(SOCKET socket, uint8_t* data, size_t size, const std::atomic<bool>& stopping)
{
    size_t got = 0;
    while (got < size && !stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval poll{0, 100000};
        if (select(0, &readable, nullptr, nullptr, &poll) <= 0) continue;
        const int n = recv(socket, reinterpret_cast<char*>(data + got), static_cast<int>(size - got), 0);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return got == size;
}

}  // namespace

void ScriptedGateway::Connection::SendBytes(const std::vector<uint8_t>& bytes)
{
    send(socket_, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0);
}

void ScriptedGateway::Connection::Answer(uint32_t requestId, uint16_t kind, const std::string& httpText)
{
    SendBytes(AnswerFrame(requestId, kind, httpText));
}

std::vector<uint8_t> AnswerFrame(uint32_t requestId, uint16_t kind, const std::string& httpText)
{
    const nxcomm::Bytes piece(reinterpret_cast<const uint8_t*>(httpText.data()), httpText.size());
    const nxcomm::Bytes pieces[] = {piece};
    return nxcomm::encode_frame({requestId, kind, nxcomm::kAnswerMode, 0, 0}, pieces);
}

void ScriptedGateway::Connection::Close() { shutdown(socket_, SD_BOTH); }

ScriptedGateway::ScriptedGateway(Script script) : script_(std::move(script))
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 4);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string gateway = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    SetEnvironmentVariableA("NXCOMM_GATEWAY", gateway.c_str());
    thread_ = std::thread([this] { Serve(); });
}

ScriptedGateway::~ScriptedGateway()
{
    stopping_ = true;
    thread_.join();
    closesocket(listener_);
    SetEnvironmentVariableA("NXCOMM_GATEWAY", nullptr);
    WSACleanup();
}

std::vector<ScriptedGateway::Request> ScriptedGateway::Requests()
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

void ScriptedGateway::Serve()
{
    std::vector<SOCKET> clients;
    while (!stopping_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        for (SOCKET client : clients) FD_SET(client, &readable);
        timeval poll{0, 50000};
        if (select(0, &readable, nullptr, nullptr, &poll) <= 0) continue;
        if (FD_ISSET(listener_, &readable)) clients.push_back(accept(listener_, nullptr, nullptr));
        for (auto client = clients.begin(); client != clients.end();) {
            if (FD_ISSET(*client, &readable) && !ServeConnection(*client)) {
                closesocket(*client);
                client = clients.erase(client);
            } else {
                ++client;
            }
        }
    }
    for (SOCKET client : clients) closesocket(client);
}

// Reads one frame and runs the script on it; false when the connection ended.
bool ScriptedGateway::ServeConnection(UINT_PTR client)
{
    uint8_t headerBytes[nxcomm::kHeaderSize];
    if (!ReceiveExactly(client, headerBytes, sizeof headerBytes, stopping_)) return false;
    const nxcomm::FrameHeader header =
        nxcomm::decode_header(std::span<const uint8_t, nxcomm::kHeaderSize>(headerBytes));
    std::vector<uint8_t> payload(header.payload_length);
    if (!ReceiveExactly(client, payload.data(), payload.size(), stopping_)) return false;
    const nxcomm::ParsedBuffer parsed = nxcomm::parse_serialized(payload);
    Request request{header.request_id, header.service, header.mode, header.timeout_ms, {}};
    for (const auto piece : parsed.pieces)
        request.http.append(reinterpret_cast<const char*>(piece.data()), piece.size());
    {
        std::lock_guard<std::mutex> guard(lock_);
        requests_.push_back(request);
    }
    Connection connection(client);
    script_(connection, request);
    return true;
}

std::string HttpResponse(int status, const std::string& contentType, const std::string& body)
{
    return "HTTP/1.1 " + std::to_string(status) + " Status\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace nvx::test
