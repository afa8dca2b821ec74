#pragma once
// The automation error object the call members leave behind when they fail.
namespace nvx::facade {

// Installs `message` (ANSI text) as the calling thread's error description,
// with the IID of IComWebSvc as its GUID. Fails silently.
void ReportError(const char* message);

}  // namespace nvx::facade
