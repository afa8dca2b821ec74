#include "runtime/soaptk/client/request_writer.h"

#include "base/common/bstr.h"
#include "base/toolkit/xml_namespaces.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kEnvelopePrefix[] = L"SOAP-ENV";
constexpr wchar_t kUtf8[] = L"UTF-8";
constexpr wchar_t kXsiPrefix[] = L"xsi";

// The serializer takes a null string for "not given".
Bstr NullWhenEmpty(const std::wstring& text) { return text.empty() ? Bstr() : Bstr(text); }

HRESULT WritePart(ISoapSerializer* serializer, const PartDescription& part, const ArgumentValue& argument)
{
    const Bstr name(part.elementName);
    HRESULT hr = serializer->startElement(name.Get(), NullWhenEmpty(part.xmlNamespace).Get(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    switch (argument.kind) {
    case ArgumentValue::Kind::Nil:
        hr = serializer->SoapAttribute(Bstr(L"nil").Get(), Bstr(toolkit::kXsiNamespace).Get(), Bstr(L"true").Get(),
                                       Bstr(kXsiPrefix).Get());
        break;
    case ArgumentValue::Kind::Text: hr = serializer->writeString(Bstr(argument.text).Get()); break;
    case ArgumentValue::Kind::Empty: break;
    }
    return FAILED(hr) ? hr : serializer->endElement();
}

HRESULT WriteBodyContent(ISoapSerializer* serializer, const OperationDescription& operation,
                         const std::vector<ArgumentValue>& arguments)
{
    const bool wrapped = !operation.inputElement.empty();
    HRESULT hr = S_OK;
    if (wrapped &&
        FAILED(hr = serializer->startElement(Bstr(operation.inputElement).Get(),
                                             NullWhenEmpty(operation.inputNamespace).Get(), nullptr, nullptr)))
        return hr;
    for (size_t index = 0; index < operation.inputs.size() && index < arguments.size(); ++index)
        if (FAILED(hr = WritePart(serializer, operation.inputs[index], arguments[index]))) return hr;
    return wrapped ? serializer->endElement() : S_OK;
}

}  // namespace

HRESULT WriteRequest(ISoapSerializer* serializer, const OperationDescription& operation,
                     const std::vector<ArgumentValue>& arguments)
{
    const Bstr encodingStyle = operation.encoded ? Bstr(toolkit::kSoapEncodingNamespace) : Bstr();
    HRESULT hr = serializer->startEnvelope(Bstr(kEnvelopePrefix).Get(), encodingStyle.Get(), Bstr(kUtf8).Get());
    if (FAILED(hr) || FAILED(hr = serializer->startBody(nullptr))) return hr;
    if (FAILED(hr = WriteBodyContent(serializer, operation, arguments))) return hr;
    if (FAILED(hr = serializer->endBody())) return hr;
    return serializer->endEnvelope();
}

}  // namespace nvx::soaptk
