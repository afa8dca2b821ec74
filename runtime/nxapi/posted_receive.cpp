#include "runtime/nxapi/posted_receive.h"

#include <climits>
#include <stdexcept>

namespace nxapi {

namespace {

// A receive that was called off ends at once; this only bounds the wait
// should the system not deliver its end (the memory is then abandoned).
constexpr DWORD kCancelWaitMs = 5000;

ReceiveResult Failed(int error)
{
    return {error == WSA_OPERATION_ABORTED ? ReceiveResult::Status::cancelled : ReceiveResult::Status::closed};
}

ReceiveResult Arrived(DWORD count)
{
    // An ended receive of no bytes is the peer's orderly close.
    return count == 0 ? ReceiveResult{ReceiveResult::Status::closed}
                      : ReceiveResult{ReceiveResult::Status::data, count};
}

}  // namespace

PostedReceive::PostedReceive() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (!event_) throw std::runtime_error("no event for the gateway connection");
}

PostedReceive::~PostedReceive() { CloseHandle(event_); }

std::optional<ReceiveResult> PostedReceive::Post(SOCKET socket, std::span<std::uint8_t> space)
{
    overlapped_ = WSAOVERLAPPED{};
    overlapped_.hEvent = event_;
    WSABUF buffer{static_cast<ULONG>(std::min<std::size_t>(space.size(), ULONG_MAX)),
                  reinterpret_cast<char*>(space.data())};
    DWORD received = 0;
    DWORD flags = 0;
    if (WSARecv(socket, &buffer, 1, &received, &flags, &overlapped_, nullptr) == 0) return Arrived(received);
    const int error = WSAGetLastError();
    if (error != WSA_IO_PENDING) return Failed(error);
    posted_ = true;
    return std::nullopt;
}

bool PostedReceive::Ended() const { return !posted_ || HasOverlappedIoCompleted(&overlapped_); }

bool PostedReceive::WaitEnded(DWORD milliseconds) const
{
    return !posted_ || WaitForSingleObject(event_, milliseconds) == WAIT_OBJECT_0;
}

ReceiveResult PostedReceive::Collect(SOCKET socket)
{
    posted_ = false;
    DWORD received = 0;
    DWORD flags = 0;
    if (WSAGetOverlappedResult(socket, &overlapped_, &received, FALSE, &flags)) return Arrived(received);
    return Failed(WSAGetLastError());
}

std::optional<ReceiveResult> PostedReceive::Cancel(SOCKET socket)
{
    if (!posted_) return ReceiveResult{ReceiveResult::Status::cancelled};
    CancelIoEx(reinterpret_cast<HANDLE>(socket), &overlapped_);
    if (!WaitEnded(kCancelWaitMs)) return std::nullopt;
    return Collect(socket);
}

}  // namespace nxapi
