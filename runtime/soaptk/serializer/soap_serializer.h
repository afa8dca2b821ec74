#pragma once
// SoapSerializer: writes one SOAP message, part by part, as UTF-8 to the
// stream it is given: SOAP 1.1's envelope, or SOAP 1.2's when the toolkit's
// own client asks for it.
#include <windows.h>

#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "base/comframe/dispatch.h"
#include "base/comframe/object.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "runtime/soaptk/serializer/xml_writer.h"

namespace nvx::soaptk {

class SoapSerializer : public com::DispatchImpl<ISoapSerializer, &LIBID_MSSOAPLib>,
                       public com::ObjectRoot<SoapSerializer> {
public:
    using PrimaryInterface = ISoapSerializer;
    static std::span<const com::InterfaceEntry<SoapSerializer>> Interfaces();

    virtual ~SoapSerializer() = default;

    IFACEMETHODIMP Init(VARIANT destination) override;
    IFACEMETHODIMP startEnvelope(BSTR prefix, BSTR encodingStyle, BSTR xmlEncoding) override;
    IFACEMETHODIMP endEnvelope() override;
    IFACEMETHODIMP startHeader(BSTR encodingStyle) override;
    IFACEMETHODIMP startHeaderElement(BSTR name, BSTR nsUri, int mustUnderstand, BSTR actorUri, BSTR encodingStyle,
                                      BSTR prefix) override;
    IFACEMETHODIMP endHeaderElement() override;
    IFACEMETHODIMP endHeader() override;
    IFACEMETHODIMP startBody(BSTR encodingStyle) override;
    IFACEMETHODIMP endBody() override;
    IFACEMETHODIMP startElement(BSTR name, BSTR nsUri, BSTR encodingStyle, BSTR prefix) override;
    IFACEMETHODIMP endElement() override;
    IFACEMETHODIMP SoapAttribute(BSTR name, BSTR nsUri, BSTR value, BSTR prefix) override;
    IFACEMETHODIMP SoapNamespace(BSTR prefix, BSTR nsUri) override;
    IFACEMETHODIMP SoapDefaultNamespace(BSTR nsUri) override;
    IFACEMETHODIMP writeString(BSTR text) override;
    IFACEMETHODIMP writeBuffer(long length, unsigned char* buffer) override;

    // Between Init (which starts with SOAP 1.1's) and startEnvelope: the
    // envelope namespace of the message. Not part of the published interface.
    void UseEnvelopeNamespace(std::wstring_view uri) { envelopeNamespace_ = uri; }

private:
    // What each open element is, so that every end matches its start.
    enum class Part { Envelope, Header, HeaderEntry, Body, Element };

    // Runs one writing operation: only between Init and the end of the
    // envelope, and only while the stream takes what is written.
    template <class Body>
    HRESULT Write(Body&& body);

    bool Inside(std::initializer_list<Part> parts) const;
    HRESULT StartPart(Part part, std::wstring_view name, std::wstring_view uri, std::wstring_view prefix,
                      BSTR encodingStyle);
    HRESULT EndPart(Part part);
    HRESULT AddEnvelopeAttribute(std::wstring_view name, std::wstring_view value);
    // Passes the output on once it has grown large, or when `always`.
    HRESULT Drain(bool always);

    ComPtr<IStream> stream_;
    XmlWriter writer_;
    std::vector<Part> parts_;
    std::wstring envelopePrefix_;
    std::wstring envelopeNamespace_;
    bool started_ = false;
    bool headerWritten_ = false;
    bool bodyWritten_ = false;
    bool finished_ = false;
    HRESULT streamStatus_ = S_OK;
};

}  // namespace nvx::soaptk
