#pragma once
// A receive left posted on the gateway connection between exchanges. Bytes
// land in it as they arrive, and so does the connection's end: a look at
// whether it has ended, which costs no system call, tells before a send
// whether the gateway closed the connection meanwhile, and the wait for an
// answer is one wait on its event, bounded by the time-out. The bytes go to
// memory the owner keeps in place until the receive has ended.
#include <winsock2.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace nxapi {

struct ReceiveResult {
    enum class Status {
        data,       // `count` bytes arrived
        closed,     // the connection ended or broke
        cancelled,  // the receive was called off (a cancel, or the end of the thread that posted it)
    };
    Status status;
    std::size_t count = 0;
};

class PostedReceive {
public:
    PostedReceive();  // throws std::runtime_error when no event can be made
    ~PostedReceive();
    PostedReceive(const PostedReceive&) = delete;
    PostedReceive& operator=(const PostedReceive&) = delete;

    bool Posted() const { return posted_; }
    // Posts a receive into `space`: nothing while it is pending, its result
    // when it ended at once.
    std::optional<ReceiveResult> Post(SOCKET socket, std::span<std::uint8_t> space);
    // Whether the posted receive has ended; reads memory only.
    bool Ended() const;
    // Waits up to `milliseconds` for the posted receive to end.
    bool WaitEnded(DWORD milliseconds) const;
    // The result of a posted receive that has ended.
    ReceiveResult Collect(SOCKET socket);
    // Calls the posted receive off and waits for it to end; its result, or
    // nothing when it did not end in time (its memory must then stay).
    std::optional<ReceiveResult> Cancel(SOCKET socket);

private:
    WSAOVERLAPPED overlapped_{};
    HANDLE event_ = nullptr;
    bool posted_ = false;
};

}  // namespace nxapi
