#include "runtime/soaptk/serializer/soap_serializer.h"

#include <algorithm>

#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/serializer/xml_text.h"
#include "runtime/soaptk/stream/stream_io.h"
#include "runtime/soaptk/text/ignoring_case.h"

namespace nvx::soaptk {
namespace {

constexpr std::wstring_view kDefaultEnvelopePrefix = L"SOAP";
constexpr std::wstring_view kNoEncodingStyle = L"NONE";
constexpr wchar_t kUtf8[] = L"UTF-8";
// The output goes to the stream in few large writes: the gateway's stream
// turns every write into work of its own.
constexpr size_t kDrainThreshold = 64 * 1024;

bool IsGiven(std::wstring_view encodingStyle)
{
    return !encodingStyle.empty() && !EqualsIgnoringCase(encodingStyle, kNoEncodingStyle);
}

bool IsUtf8(std::wstring_view encoding) { return EqualsIgnoringCase(encoding, kUtf8); }

HRESULT StreamOf(const VARIANT& destination, ComPtr<IStream>* stream)
{
    IUnknown* object = nullptr;
    switch (destination.vt) {
    case VT_UNKNOWN: object = destination.punkVal; break;
    case VT_DISPATCH: object = destination.pdispVal; break;
    case VT_UNKNOWN | VT_BYREF: object = destination.ppunkVal ? *destination.ppunkVal : nullptr; break;
    case VT_DISPATCH | VT_BYREF: object = destination.ppdispVal ? *destination.ppdispVal : nullptr; break;
    default: break;
    }
    if (!object) return E_INVALIDARG;
    return object->QueryInterface(IID_PPV_ARGS(stream->ReleaseAndGetAddressOf()));
}

}  // namespace

std::span<const com::InterfaceEntry<SoapSerializer>> SoapSerializer::Interfaces()
{
    static const com::InterfaceEntry<SoapSerializer> table[] = {
        {&IID_ISoapSerializer, &com::ViewAs<SoapSerializer, ISoapSerializer>},
        {&IID_IDispatch, &com::ViewAs<SoapSerializer, ISoapSerializer>},
    };
    return table;
}

template <class Body>
HRESULT SoapSerializer::Write(Body&& body)
{
    return ComBoundary([&]() -> HRESULT {
        if (FAILED(streamStatus_)) return streamStatus_;
        if (!stream_ || finished_) return E_UNEXPECTED;
        const HRESULT hr = body();
        return FAILED(hr) ? hr : Drain(false);
    });
}

bool SoapSerializer::Inside(std::initializer_list<Part> parts) const
{
    return !parts_.empty() && std::find(parts.begin(), parts.end(), parts_.back()) != parts.end();
}

HRESULT SoapSerializer::StartPart(Part part, std::wstring_view name, std::wstring_view uri, std::wstring_view prefix,
                                  BSTR encodingStyle)
{
    const std::wstring_view style = ViewOf(encodingStyle);
    if (IsGiven(style) && !IsXmlText(style)) return E_INVALIDARG;
    const HRESULT hr = writer_.StartElement(name, uri, prefix);
    if (FAILED(hr)) return hr;
    parts_.push_back(part);
    return IsGiven(style) ? AddEnvelopeAttribute(L"encodingStyle", style) : S_OK;
}

HRESULT SoapSerializer::EndPart(Part part)
{
    if (parts_.empty() || parts_.back() != part) return E_UNEXPECTED;
    const HRESULT hr = writer_.EndElement();
    if (SUCCEEDED(hr)) parts_.pop_back();
    return hr;
}

HRESULT SoapSerializer::AddEnvelopeAttribute(std::wstring_view name, std::wstring_view value)
{
    return writer_.Attribute(name, envelopeNamespace_, envelopePrefix_, value);
}

HRESULT SoapSerializer::Drain(bool always)
{
    std::string& output = writer_.Output();
    if (output.empty() || (!always && output.size() < kDrainThreshold)) return S_OK;
    streamStatus_ = WriteAll(stream_.Get(), output);
    output.clear();
    return streamStatus_;
}

IFACEMETHODIMP SoapSerializer::Init(VARIANT destination)
{
    return ComBoundary([&]() -> HRESULT {
        ComPtr<IStream> stream;
        if (FAILED(StreamOf(destination, &stream))) return E_INVALIDARG;
        stream_ = std::move(stream);
        writer_ = XmlWriter();
        parts_.clear();
        envelopePrefix_.clear();
        envelopeNamespace_ = toolkit::kEnvelopeNamespace;
        started_ = headerWritten_ = bodyWritten_ = finished_ = false;
        streamStatus_ = S_OK;
        return S_OK;
    });
}

IFACEMETHODIMP SoapSerializer::startEnvelope(BSTR prefix, BSTR encodingStyle, BSTR xmlEncoding)
{
    return Write([&]() -> HRESULT {
        if (started_) return E_UNEXPECTED;
        // The message is always UTF-8; another encoding cannot be honoured.
        if (SysStringLen(xmlEncoding) != 0 && !IsUtf8(ViewOf(xmlEncoding))) return E_INVALIDARG;
        envelopePrefix_ =
            SysStringLen(prefix) != 0 ? std::wstring(ViewOf(prefix)) : std::wstring(kDefaultEnvelopePrefix);
        const size_t mark = writer_.Output().size();
        writer_.WriteDeclaration();
        const HRESULT hr = StartPart(Part::Envelope, L"Envelope", envelopeNamespace_, envelopePrefix_, encodingStyle);
        if (FAILED(hr)) {
            writer_.Output().resize(mark);
            return hr;
        }
        started_ = true;
        return S_OK;
    });
}

IFACEMETHODIMP SoapSerializer::endEnvelope()
{
    return Write([&]() -> HRESULT {
        const HRESULT hr = EndPart(Part::Envelope);
        if (FAILED(hr)) return hr;
        finished_ = true;
        return Drain(true);
    });
}

IFACEMETHODIMP SoapSerializer::startHeader(BSTR encodingStyle)
{
    return Write([&]() -> HRESULT {
        if (!Inside({Part::Envelope}) || headerWritten_ || bodyWritten_) return E_UNEXPECTED;
        const HRESULT hr = StartPart(Part::Header, L"Header", envelopeNamespace_, envelopePrefix_, encodingStyle);
        if (SUCCEEDED(hr)) headerWritten_ = true;
        return hr;
    });
}

IFACEMETHODIMP SoapSerializer::startHeaderElement(BSTR name, BSTR nsUri, int mustUnderstand, BSTR actorUri,
                                                  BSTR encodingStyle, BSTR prefix)
{
    return Write([&]() -> HRESULT {
        if (!Inside({Part::Header})) return E_UNEXPECTED;
        const std::wstring_view actor = ViewOf(actorUri);
        if (!IsXmlText(actor)) return E_INVALIDARG;
        HRESULT hr = StartPart(Part::HeaderEntry, ViewOf(name), ViewOf(nsUri), ViewOf(prefix), encodingStyle);
        if (SUCCEEDED(hr) && mustUnderstand) hr = AddEnvelopeAttribute(L"mustUnderstand", L"1");
        if (SUCCEEDED(hr) && !actor.empty()) hr = AddEnvelopeAttribute(L"actor", actor);
        return hr;
    });
}

IFACEMETHODIMP SoapSerializer::endHeaderElement()
{
    return Write([&] { return EndPart(Part::HeaderEntry); });
}

IFACEMETHODIMP SoapSerializer::endHeader()
{
    return Write([&] { return EndPart(Part::Header); });
}

IFACEMETHODIMP SoapSerializer::startBody(BSTR encodingStyle)
{
    return Write([&]() -> HRESULT {
        if (!Inside({Part::Envelope}) || bodyWritten_) return E_UNEXPECTED;
        const HRESULT hr = StartPart(Part::Body, L"Body", envelopeNamespace_, envelopePrefix_, encodingStyle);
        if (SUCCEEDED(hr)) bodyWritten_ = true;
        return hr;
    });
}

IFACEMETHODIMP SoapSerializer::endBody()
{
    return Write([&] { return EndPart(Part::Body); });
}

IFACEMETHODIMP SoapSerializer::startElement(BSTR name, BSTR nsUri, BSTR encodingStyle, BSTR prefix)
{
    return Write([&]() -> HRESULT {
        if (!Inside({Part::Body, Part::HeaderEntry, Part::Element})) return E_UNEXPECTED;
        return StartPart(Part::Element, ViewOf(name), ViewOf(nsUri), ViewOf(prefix), encodingStyle);
    });
}

IFACEMETHODIMP SoapSerializer::endElement()
{
    return Write([&] { return EndPart(Part::Element); });
}

IFACEMETHODIMP SoapSerializer::SoapAttribute(BSTR name, BSTR nsUri, BSTR value, BSTR prefix)
{
    return Write([&] { return writer_.Attribute(ViewOf(name), ViewOf(nsUri), ViewOf(prefix), ViewOf(value)); });
}

IFACEMETHODIMP SoapSerializer::SoapNamespace(BSTR prefix, BSTR nsUri)
{
    return Write([&] { return writer_.DeclareNamespace(ViewOf(prefix), ViewOf(nsUri)); });
}

IFACEMETHODIMP SoapSerializer::SoapDefaultNamespace(BSTR nsUri)
{
    return Write([&] { return writer_.DeclareNamespace(L"", ViewOf(nsUri)); });
}

IFACEMETHODIMP SoapSerializer::writeString(BSTR text)
{
    return Write([&] { return writer_.Text(ViewOf(text)); });
}

IFACEMETHODIMP SoapSerializer::writeBuffer(long length, unsigned char* buffer)
{
    return Write([&]() -> HRESULT {
        if (length < 0 || (length > 0 && !buffer)) return E_INVALIDARG;
        return writer_.Raw(std::string_view(reinterpret_cast<const char*>(buffer), static_cast<size_t>(length)));
    });
}

}  // namespace nvx::soaptk
