#include "src/trace/trace_log.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string_view>

#include "base/http/credentials.h"

namespace nvx::trace {
namespace {

constexpr char kStartMark[] = "Starting Trace...";
constexpr char kEndMark[] = "Terminating Trace.";
constexpr char kOutMarker[] = "> ";
constexpr char kInMarker[] = "< ";
constexpr char kSeparator[] = ": ";
constexpr char kLineEnd[] = "\r\n";
constexpr char kZero[] = {'\0'};

struct TraceState {
    std::mutex lock;
    FILE* file = nullptr;
    std::string path;
};

TraceState& State()
{
    static TraceState state;
    return state;
}

// Writes one piece and flushes at once; failures are ignored.
void TraceWrite(FILE* file, const void* bytes, size_t length)
{
    if (!file) return;
    if (length) std::fwrite(bytes, 1, length, file);
    std::fflush(file);
}

void WriteText(FILE* file, const char* text) { TraceWrite(file, text, std::strlen(text)); }

void WriteTimePrefix(FILE* file)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char prefix[16];
    const int length =
        std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d ", local.tm_hour, local.tm_min, local.tm_sec);
    TraceWrite(file, prefix, static_cast<size_t>(length));
}

void StopLocked(TraceState& state)
{
    if (!state.file) return;
    WriteTimePrefix(state.file);
    WriteText(state.file, kEndMark);
    std::fclose(state.file);
    state.file = nullptr;
}

}  // namespace

void TraceStart(const char* path)
{
    TraceState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    StopLocked(state);
    if (!path || std::strlen(path) > kMaxTracePath) return;
    state.path = path;
    state.file = std::fopen(path, "wb+");
    if (!state.file) return;
    WriteTimePrefix(state.file);
    WriteText(state.file, kStartMark);
}

void TraceStop()
{
    TraceState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    StopLocked(state);
}

std::string TracePath()
{
    TraceState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.path;
}

bool TraceActive()
{
    TraceState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.file != nullptr;
}

void TraceEntry(Direction direction, const char* label, const void* text, size_t length)
{
    TraceState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    FILE* file = state.file;
    if (!file) return;
    WriteTimePrefix(file);
    WriteText(file, direction == Direction::Out ? kOutMarker : kInMarker);
    TraceWrite(file, label, std::strlen(label));
    TraceWrite(file, kZero, 1);
    WriteText(file, kSeparator);
    if (direction == Direction::Out) {
        // A request head may carry credentials; the trace shows only that it did.
        const std::string shown = http::WithCredentialsHidden(std::string_view(static_cast<const char*>(text), length));
        TraceWrite(file, shown.data(), shown.size());
    } else {
        TraceWrite(file, text, length);
    }
    TraceWrite(file, kZero, 1);
    WriteText(file, kLineEnd);
}

}  // namespace nvx::trace
