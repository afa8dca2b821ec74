#pragma once
// NvxUBlockStream: the stream that carries SOAP exchanges over the gateway.
// The connector writes the HTTP head into it and commits with 999; the SOAP
// serializer writes the envelope; Commit(0) sends; the SOAP reader's Stat waits
// for the answer and Read hands out the decoded body.
#include <windows.h>

#include <span>

#include "NvxWebSvc.h"
#include "base/comframe/object.h"
#include "src/transport/gateway_exchange.h"

namespace nvx::transport {

class UBlockStream : public INvxUBlockStream, public com::ObjectRoot<UBlockStream> {
public:
    using PrimaryInterface = INvxUBlockStream;
    static std::span<const com::InterfaceEntry<UBlockStream>> Interfaces();

    virtual ~UBlockStream() = default;

    // ISequentialStream
    IFACEMETHODIMP Read(void* data, ULONG size, ULONG* read) override;
    IFACEMETHODIMP Write(const void* data, ULONG size, ULONG* written) override;
    // IStream
    IFACEMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    IFACEMETHODIMP SetSize(ULARGE_INTEGER size) override;
    IFACEMETHODIMP CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override;
    IFACEMETHODIMP Commit(DWORD flags) override;
    IFACEMETHODIMP Revert() override;
    IFACEMETHODIMP LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
    IFACEMETHODIMP UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
    IFACEMETHODIMP Stat(STATSTG* stat, DWORD flags) override;
    IFACEMETHODIMP Clone(IStream** clone) override;
    // INvxUBlockStream
    IFACEMETHODIMP get_NXCommBuffer(BSTR* text) override;
    IFACEMETHODIMP put_Timeout(long milliseconds) override;
    IFACEMETHODIMP get_NXCommBufferWithHTTPHeader(BSTR* text) override;

    // Commit's private flag, used by the connector: what was written so far
    // is the HTTP head.
    static constexpr DWORD kCommitHead = 999;

private:
    GatewayExchange exchange_;
    ULONG readPosition_ = 0;
};

}  // namespace nvx::transport
