#include "src/facade/http_call_trace.h"

#include <string>

#include "base/common/text.h"
#include "src/trace/trace_log.h"
#include "src/trace/url_redaction.h"

namespace nvx::facade {
namespace {

constexpr ULONG kReadChunk = 64 * 1024;

HRESULT Rewind(IStream* stream)
{
    LARGE_INTEGER start{};
    return stream->Seek(start, STREAM_SEEK_SET, nullptr);
}

// Every byte left in `stream`, read in bounded chunks until it ends or fails.
std::string ReadAll(IStream* stream)
{
    std::string bytes;
    char chunk[kReadChunk];
    for (;;) {
        ULONG read = 0;
        const HRESULT hr = stream->Read(chunk, kReadChunk, &read);
        bytes.append(chunk, read);
        if (FAILED(hr) || read == 0) return bytes;
    }
}

ComPtr<IStream> StreamOf(const std::string& bytes)
{
    ComPtr<IStream> stream = NewMemoryStream();
    if (!stream) return stream;
    ULONG written = 0;
    if (FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written)) || FAILED(Rewind(stream.Get())))
        return {};
    return stream;
}

}  // namespace

ComPtr<IStream> NewMemoryStream()
{
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf()))) return {};
    return stream;
}

HRESULT ForwardTracedRequest(IStream* buffer, IStream* request, BSTR endPointUrl, BSTR soapAction)
{
    HRESULT hr = Rewind(buffer);
    if (FAILED(hr)) return hr;
    const std::string envelope = ReadAll(buffer);
    const std::string head = "POST " + trace::WithoutUserInfo(Utf8FromWide(ViewOf(endPointUrl))) +
                             "\r\nSOAPAction: \"" + Utf8FromWide(ViewOf(soapAction)) + "\"\r\n";
    trace::TraceEntry(trace::Direction::Out, "HTTP Header", head.data(), head.size());
    trace::TraceEntry(trace::Direction::Out, "HTTP Payload", envelope.data(), envelope.size());
    ULONG written = 0;
    return request->Write(envelope.data(), static_cast<ULONG>(envelope.size()), &written);
}

ComPtr<IStream> TracedResponse(IStream* response)
{
    const std::string body = ReadAll(response);
    trace::TraceEntry(trace::Direction::In, "Read()", body.data(), body.size());
    return StreamOf(body);
}

}  // namespace nvx::facade
