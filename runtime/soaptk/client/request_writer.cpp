#include "runtime/soaptk/client/request_writer.h"

#include "base/common/bstr.h"
#include "base/common/text.h"
#include "base/toolkit/xml_namespaces.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kEnvelopePrefix[] = L"SOAP-ENV";
constexpr wchar_t kUtf8[] = L"UTF-8";
constexpr wchar_t kXsiPrefix[] = L"xsi";

// The serializer takes a null string for "not given".
Bstr NullWhenEmpty(const std::wstring& text) { return text.empty() ? Bstr() : Bstr(text); }

HRESULT WriteValue(ISoapSerializer* serializer, const ArgumentValue& argument)
{
    switch (argument.kind) {
    case ArgumentValue::Kind::Nil:
        return serializer->SoapAttribute(Bstr(L"nil").Get(), Bstr(toolkit::kXsiNamespace).Get(), Bstr(L"true").Get(),
                                         Bstr(kXsiPrefix).Get());
    case ArgumentValue::Kind::Text: return serializer->writeString(Bstr(argument.text).Get());
    case ArgumentValue::Kind::Markup: {
        std::string markup = Utf8FromWide(argument.text);
        return serializer->writeBuffer(static_cast<long>(markup.size()),
                                       reinterpret_cast<unsigned char*>(markup.data()));
    }
    case ArgumentValue::Kind::Empty: break;
    }
    return S_OK;
}

HRESULT WritePart(ISoapSerializer* serializer, const PartDescription& part, const ArgumentValue& argument)
{
    const Bstr name(part.elementName);
    HRESULT hr = serializer->startElement(name.Get(), NullWhenEmpty(part.xmlNamespace).Get(), nullptr, nullptr);
    if (FAILED(hr) || FAILED(hr = WriteValue(serializer, argument))) return hr;
    return serializer->endElement();
}

HRESULT WriteHeader(ISoapSerializer* serializer, const OperationDescription& operation,
                    const std::vector<ArgumentValue>& arguments)
{
    bool started = false;
    HRESULT hr = S_OK;
    for (size_t index = 0; index < operation.inputs.size() && index < arguments.size(); ++index) {
        const PartDescription& part = operation.inputs[index];
        if (!part.header || arguments[index].kind == ArgumentValue::Kind::Empty) continue;
        if (!started && FAILED(hr = serializer->startHeader(nullptr))) return hr;
        started = true;
        if (FAILED(hr = serializer->startHeaderElement(Bstr(part.elementName).Get(),
                                                       NullWhenEmpty(part.xmlNamespace).Get(), 0, nullptr, nullptr,
                                                       nullptr)) ||
            FAILED(hr = WriteValue(serializer, arguments[index])) || FAILED(hr = serializer->endHeaderElement()))
            return hr;
    }
    return started ? serializer->endHeader() : S_OK;
}

// SOAP 1.2 allows no encodingStyle on the envelope: its encoded messages say
// so on the element that wraps the arguments.
HRESULT WriteBodyContent(ISoapSerializer* serializer, const OperationDescription& operation,
                         const std::vector<ArgumentValue>& arguments)
{
    const bool wrapped = !operation.inputElement.empty();
    const Bstr encodingStyle = operation.encoded && operation.soap12 ? Bstr(toolkit::kSoap12EncodingNamespace) : Bstr();
    HRESULT hr = S_OK;
    if (wrapped && FAILED(hr = serializer->startElement(Bstr(operation.inputElement).Get(),
                                                        NullWhenEmpty(operation.inputNamespace).Get(),
                                                        encodingStyle.Get(), nullptr)))
        return hr;
    for (size_t index = 0; index < operation.inputs.size() && index < arguments.size(); ++index)
        if (!operation.inputs[index].header &&
            FAILED(hr = WritePart(serializer, operation.inputs[index], arguments[index])))
            return hr;
    return wrapped ? serializer->endElement() : S_OK;
}

}  // namespace

HRESULT WriteRequest(ISoapSerializer* serializer, const OperationDescription& operation,
                     const std::vector<ArgumentValue>& arguments)
{
    const Bstr encodingStyle = operation.encoded && !operation.soap12 ? Bstr(toolkit::kSoapEncodingNamespace) : Bstr();
    HRESULT hr = serializer->startEnvelope(Bstr(kEnvelopePrefix).Get(), encodingStyle.Get(), Bstr(kUtf8).Get());
    if (FAILED(hr) || FAILED(hr = WriteHeader(serializer, operation, arguments))) return hr;
    if (FAILED(hr = serializer->startBody(nullptr))) return hr;
    if (FAILED(hr = WriteBodyContent(serializer, operation, arguments))) return hr;
    if (FAILED(hr = serializer->endBody())) return hr;
    return serializer->endEnvelope();
}

}  // namespace nvx::soaptk
