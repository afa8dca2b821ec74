#pragma once
// The process-wide trace log: time-stamped HTTP requests sent (over the
// gateway or straight over SOAP/HTTP) and the response bodies read back, in one
// file per process.
//
// File layout: "HH:MM:SS Starting Trace...", then per entry
// "HH:MM:SS " + direction + label + NUL + ": " + text + NUL + CR LF, and
// "HH:MM:SS Terminating Trace." when the trace ends. Every piece is flushed as
// it is written, so the file is complete up to the last piece even if the
// process dies.
//
// One lock makes starting, stopping and each entry atomic: entries from two
// threads never interleave and a stop never races a write.
#include <cstddef>
#include <string>

namespace nvx::trace {

enum class Direction { Out, In };

// The longest path a trace accepts, in bytes of the ANSI code page.
constexpr size_t kMaxTracePath = 260;

// Ends the running trace; then, for a path of at most kMaxTracePath bytes,
// remembers it and starts a new trace there (tracing stays off when the file
// cannot be opened). A null or longer path only ends the running trace.
void TraceStart(const char* path);
void TraceStop();
std::string TracePath();

// Whether a trace file is open, so that callers can skip gathering what they
// would trace.
bool TraceActive();

// Writes one entry; nothing when tracing is off.
void TraceEntry(Direction direction, const char* label, const void* text, size_t length);

}  // namespace nvx::trace
