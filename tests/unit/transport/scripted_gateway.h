#pragma once
// A scripted gateway on loopback that speaks the gateway's frame format, for
// tests of the exchange: it hands every request to the test's script, which
// answers with whatever frames (or misbehaviour) the test needs. It sets
// NXCOMM_GATEWAY for the process while it lives.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nvx::test {

class ScriptedGateway {
public:
    struct Request {
        uint32_t id;
        uint16_t service;
        uint16_t mode;
        uint32_t timeout;
        std::string http;  // the request's pieces joined
    };

    // What a script can do on the connection a request came in.
    class Connection {
    public:
        explicit Connection(UINT_PTR socket) : socket_(socket) {}
        void Answer(uint32_t requestId, uint16_t kind, const std::string& httpText);
        void SendBytes(const std::vector<uint8_t>& bytes);
        void Close();

    private:
        UINT_PTR socket_;  // a Winsock SOCKET
    };

    using Script = std::function<void(Connection&, const Request&)>;

    explicit ScriptedGateway(Script script);
    ~ScriptedGateway();
    ScriptedGateway(const ScriptedGateway&) = delete;
    ScriptedGateway& operator=(const ScriptedGateway&) = delete;

    std::vector<Request> Requests();

private:
    void Serve();
    bool ServeConnection(UINT_PTR client);

    Script script_;
    UINT_PTR listener_ = ~UINT_PTR(0);  // a Winsock SOCKET
    std::atomic<bool> stopping_{false};
    std::mutex lock_;
    std::vector<Request> requests_;
    std::thread thread_;
};

// The answer frame Connection::Answer sends.
std::vector<uint8_t> AnswerFrame(uint32_t requestId, uint16_t kind, const std::string& httpText);

// An HTTP response text with a Content-Length.
std::string HttpResponse(int status, const std::string& contentType, const std::string& body);

}  // namespace nvx::test
