#pragma once
// A stream over bytes in memory that records how it is used, and can be told
// to fail its reads — for checking how the toolkit objects treat a stream.
#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace nvx::test {

class RecordingStream final : public IStream {
public:
    // Starts with one reference, for the creator.
    explicit RecordingStream(std::string content = {});

    // "Stat(<flag>)", "Read", "Write(<size>)", "Seek" in call order.
    const std::vector<std::string>& Calls() const { return calls_; }
    const std::string& Content() const { return content_; }
    void FailReads(HRESULT failure) { readFailure_ = failure; }

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP Read(void* buffer, ULONG size, ULONG* read) override;
    IFACEMETHODIMP Write(const void* buffer, ULONG size, ULONG* written) override;
    IFACEMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    IFACEMETHODIMP SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    IFACEMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Commit(DWORD) override { return S_OK; }
    IFACEMETHODIMP Revert() override { return E_NOTIMPL; }
    IFACEMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP Stat(STATSTG* state, DWORD flag) override;
    IFACEMETHODIMP Clone(IStream**) override { return E_NOTIMPL; }

private:
    ~RecordingStream() = default;

    ULONG references_ = 1;
    std::string content_;
    size_t position_ = 0;
    HRESULT readFailure_ = S_OK;
    std::vector<std::string> calls_;
};

}  // namespace nvx::test
