#pragma once
// The end of a bounded wait, on the system's millisecond tick.
#include <windows.h>

#include <cstdint>

namespace nxapi {

class Deadline {
public:
    explicit Deadline(std::uint32_t milliseconds) : end_(GetTickCount64() + milliseconds) {}

    DWORD RemainingMs() const
    {
        const ULONGLONG now = GetTickCount64();
        return now < end_ ? static_cast<DWORD>(end_ - now) : 0;
    }

private:
    ULONGLONG end_;
};

}  // namespace nxapi
