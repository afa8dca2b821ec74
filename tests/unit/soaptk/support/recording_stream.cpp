#include "recording_stream.h"

#include <algorithm>
#include <cstring>

namespace nvx::test {

RecordingStream::RecordingStream(std::string content) : content_(std::move(content)) {}

IFACEMETHODIMP RecordingStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)) {
        *out = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

IFACEMETHODIMP_(ULONG) RecordingStream::AddRef() { return ++references_; }

IFACEMETHODIMP_(ULONG) RecordingStream::Release()
{
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
}

IFACEMETHODIMP RecordingStream::Read(void* buffer, ULONG size, ULONG* read)
{
    calls_.push_back("Read");
    if (read) *read = 0;
    if (FAILED(readFailure_)) return readFailure_;
    const size_t count = std::min<size_t>(size, content_.size() - position_);
    std::memcpy(buffer, content_.data() + position_, count);
    position_ += count;
    if (read) *read = static_cast<ULONG>(count);
    return count < size ? S_FALSE : S_OK;
}

IFACEMETHODIMP RecordingStream::Write(const void* buffer, ULONG size, ULONG* written)
{
    calls_.push_back("Write(" + std::to_string(size) + ")");
    content_.replace(position_, std::min<size_t>(size, content_.size() - position_), static_cast<const char*>(buffer),
                     size);
    position_ += size;
    if (written) *written = size;
    return S_OK;
}

IFACEMETHODIMP RecordingStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position)
{
    calls_.push_back("Seek");
    const LONGLONG base = origin == STREAM_SEEK_SET   ? 0
                          : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(position_)
                                                      : static_cast<LONGLONG>(content_.size());
    const LONGLONG target = base + move.QuadPart;
    if (target < 0 || target > static_cast<LONGLONG>(content_.size())) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<size_t>(target);
    if (position) position->QuadPart = position_;
    return S_OK;
}

IFACEMETHODIMP RecordingStream::Stat(STATSTG* state, DWORD flag)
{
    calls_.push_back("Stat(" + std::to_string(flag) + ")");
    if (!state) return E_POINTER;
    *state = {};
    state->type = STGTY_STREAM;
    state->cbSize.QuadPart = content_.size();
    return S_OK;
}

}  // namespace nvx::test
