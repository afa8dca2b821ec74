#include "transport/ublock_stream.h"

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

// The exchange over the gateway arrives with the gateway transport.
IFACEMETHODIMP UBlockStream::Read(void*, ULONG, ULONG*) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::Write(const void*, ULONG, ULONG*) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::Commit(DWORD) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::Revert() { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::Stat(STATSTG*, DWORD) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::Clone(IStream** clone) { return clone ? E_NOTIMPL : E_POINTER; }
IFACEMETHODIMP UBlockStream::get_NXCommBuffer(BSTR*) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::put_Timeout(long) { return E_NOTIMPL; }
IFACEMETHODIMP UBlockStream::get_NXCommBufferWithHTTPHeader(BSTR*) { return E_NOTIMPL; }

}  // namespace nvx::transport
