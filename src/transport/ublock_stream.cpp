#include "src/transport/ublock_stream.h"

#include <algorithm>
#include <cstring>

#include "base/common/bstr.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "src/trace/trace_log.h"

namespace nvx::transport {

std::span<const com::InterfaceEntry<UBlockStream>> UBlockStream::Interfaces()
{
    static const com::InterfaceEntry<UBlockStream> table[] = {
        {&IID_INvxUBlockStream, &com::ViewAs<UBlockStream, INvxUBlockStream>},
        {&IID_ISequentialStream, &com::ViewAs<UBlockStream, INvxUBlockStream>},
        {&IID_IStream, &com::ViewAs<UBlockStream, INvxUBlockStream>},
    };
    return table;
}

IFACEMETHODIMP UBlockStream::Read(void* data, ULONG size, ULONG* read)
{
    if (read) *read = 0;
    const std::string_view body = exchange_.Response().Body().View();
    if (body.empty() || readPosition_ >= body.size()) return S_OK;
    if (!data && size) return STG_E_INVALIDPOINTER;
    const ULONG count = static_cast<ULONG>(std::min<size_t>(size, body.size() - readPosition_));
    std::memcpy(data, body.data() + readPosition_, count);
    readPosition_ += count;
    if (read) *read = count;
    // Each read traces the whole body, as diagnosis wants it.
    trace::TraceEntry(trace::Direction::In, "Read()", body.data(), body.size());
    return S_OK;
}

IFACEMETHODIMP UBlockStream::Write(const void* data, ULONG size, ULONG* written)
{
    if (written) *written = 0;
    if (!data && size) return STG_E_INVALIDPOINTER;
    return ComBoundary([&]() -> HRESULT {
        if (!exchange_.Append(data, size)) return E_OUTOFMEMORY;
        if (written) *written = size;
        return S_OK;
    });
}

// A stream over the received body: the position follows the origin asked for.
IFACEMETHODIMP UBlockStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position)
{
    LONGLONG base = 0;
    switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = readPosition_; break;
    case STREAM_SEEK_END: base = exchange_.Response().BodyLength(); break;
    default: return STG_E_INVALIDFUNCTION;
    }
    const LONGLONG target = base + move.QuadPart;
    if (target < 0 || target > MAXDWORD) return STG_E_INVALIDFUNCTION;
    readPosition_ = static_cast<ULONG>(target);
    if (position) position->QuadPart = readPosition_;
    return S_OK;
}

IFACEMETHODIMP UBlockStream::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) { return E_NOTIMPL; }

IFACEMETHODIMP UBlockStream::Commit(DWORD flags)
{
    return ComBoundary([&]() -> HRESULT {
        if (flags == kCommitHead) return exchange_.CaptureHead();
        const HRESULT hr = exchange_.Send();
        readPosition_ = 0;
        return hr;
    });
}

IFACEMETHODIMP UBlockStream::Revert() { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }

IFACEMETHODIMP UBlockStream::Stat(STATSTG* stat, DWORD flags)
{
    if (!stat) return E_POINTER;
    ComBoundary([&] {
        if (flags != STATFLAG_NOOPEN) {
            exchange_.WaitForAnswer();
            readPosition_ = 0;
        }
        return S_OK;
    });
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = exchange_.Response().BodyLength();
    return S_OK;
}

IFACEMETHODIMP UBlockStream::Clone(IStream** clone) { return clone ? E_NOTIMPL : E_POINTER; }

IFACEMETHODIMP UBlockStream::get_NXCommBuffer(BSTR* text)
{
    if (!text) return E_POINTER;
    return ComBoundary([&] {
        std::string_view body = exchange_.Response().Body().View();
        body = body.substr(0, body.find('\0'));
        const std::wstring converted = WideFromUtf8(body);
        // An empty body leaves the caller's string as it was.
        if (!converted.empty()) *text = Bstr(converted).Detach();
        return S_OK;
    });
}

IFACEMETHODIMP UBlockStream::put_Timeout(long milliseconds)
{
    exchange_.SetTimeout(milliseconds);
    return S_OK;
}

IFACEMETHODIMP UBlockStream::get_NXCommBufferWithHTTPHeader(BSTR* text)
{
    if (!text) return E_POINTER;
    return ComBoundary([&] {
        const auto& response = exchange_.Response();
        std::string whole(response.Header().View());
        whole.append(response.Body().View());
        *text = Bstr(WideFromAnsi(std::string_view(whole).substr(0, whole.find('\0')))).Detach();
        return S_OK;
    });
}

}  // namespace nvx::transport
