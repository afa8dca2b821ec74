#include "runtime/soaptk/client/operation_call.h"

#include <cwchar>
#include <string>
#include <vector>

#include "base/comframe/object.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/error_info.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/http/url.h"
#include "base/toolkit/connector_property_names.h"
#include "base/toolkit/xml_namespaces.h"
#include "runtime/soaptk/client/call_arguments.h"
#include "runtime/soaptk/client/request_writer.h"
#include "runtime/soaptk/reader/soap_reader.h"
#include "runtime/soaptk/serializer/soap_serializer.h"

namespace nvx::soaptk {
namespace {

constexpr wchar_t kExceptionSource[] = L"SOAPClient";
constexpr wchar_t kSoap11ContentType[] = L"text/xml; charset=utf-8";
constexpr wchar_t kSoap12ContentType[] = L"application/soap+xml; charset=utf-8";

HRESULT Raise(EXCEPINFO* exception, HRESULT scode, const std::wstring& description)
{
    if (exception) {
        *exception = {};
        exception->bstrSource = SysAllocString(kExceptionSource);
        exception->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
        exception->scode = scode;
    }
    return DISP_E_EXCEPTION;
}

std::wstring EndPointOf(ISoapConnector* connector)
{
    Variant url;
    if (FAILED(connector->get_Property(Bstr(toolkit::kEndPointUrl).Get(), url.Get())) || url->vt != VT_BSTR) return {};
    return WideFromUtf8(http::UrlWithoutCredentials(Utf8FromWide(ViewOf(url->bstrVal))));
}

template <class T, class Interface>
HRESULT CreateToolkitObject(ComPtr<Interface>& object)
{
    return com::CreateInstance<T>(nullptr, __uuidof(Interface), reinterpret_cast<void**>(object.GetAddressOf()));
}

HRESULT SetText(ISoapConnector* connector, const wchar_t* name, const std::wstring& text)
{
    Variant value;
    value->vt = VT_BSTR;
    value->bstrVal = Bstr(text).Detach();
    return connector->put_Property(Bstr(name).Get(), *value);
}

// SOAP 1.1 names the action in the SOAPAction header; SOAP 1.2 in the content
// type, and sends no SOAPAction. A connector that knows no content type
// property still carries SOAP 1.1.
HRESULT SetAction(ISoapConnector* connector, const OperationDescription& operation)
{
    if (!operation.soap12) {
        SetText(connector, toolkit::kContentType, kSoap11ContentType);
        return SetText(connector, toolkit::kSoapAction, operation.soapAction);
    }
    std::wstring contentType = kSoap12ContentType;
    if (!operation.soapAction.empty()) contentType += L"; action=\"" + operation.soapAction + L"\"";
    const HRESULT hr = SetText(connector, toolkit::kContentType, contentType);
    return FAILED(hr) ? hr : SetText(connector, toolkit::kSoapAction, L"");
}

HRESULT SendRequest(ISoapConnector* connector, const OperationDescription& operation,
                    const std::vector<ArgumentValue>& arguments)
{
    ComPtr<ISoapSerializer> serializer;
    ComPtr<IStream> request;
    HRESULT hr = SetAction(connector, operation);
    if (FAILED(hr) || FAILED(hr = connector->BeginMessage())) return hr;
    if (FAILED(hr = connector->get_InputStream(&request))) return hr;
    if (FAILED(hr = CreateToolkitObject<SoapSerializer>(serializer))) return hr;
    Variant destination;
    destination->vt = VT_UNKNOWN;
    destination->punkVal = request.Detach();
    if (FAILED(hr = serializer->Init(*destination))) return hr;
    if (operation.soap12)
        static_cast<SoapSerializer*>(serializer.Get())->UseEnvelopeNamespace(toolkit::kEnvelope12Namespace);
    if (FAILED(hr = WriteRequest(serializer.Get(), operation, arguments))) return hr;
    return connector->EndMessage();
}

// The answer in a reader; null when it is no SOAP message.
HRESULT LoadAnswer(ISoapConnector* connector, ComPtr<ISoapReader>* reader)
{
    ComPtr<IStream> answer;
    HRESULT hr = connector->get_OutputStream(&answer);
    if (FAILED(hr) || FAILED(hr = CreateToolkitObject<SoapReader>(*reader))) return hr;
    Variant source;
    source->vt = VT_UNKNOWN;
    source->punkVal = answer.Detach();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (FAILED(hr = (*reader)->Load(*source, nullptr, &loaded))) return hr;
    if (loaded != VARIANT_TRUE) reader->Reset();
    return S_OK;
}

}  // namespace

HRESULT CallOperation(ISoapConnector* connector, const OperationDescription& operation, const DISPPARAMS& parameters,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError, SoapFault* fault)
{
    std::vector<ArgumentValue> arguments;
    HRESULT hr = ReadCallArguments(parameters, operation.inputs, &arguments, argumentError);
    if (FAILED(hr)) return hr;

    SetErrorInfo(0, nullptr);
    if (FAILED(hr = SendRequest(connector, operation, arguments)))
        return Raise(exception, hr,
                     L"The request for " + operation.name + L" to " + EndPointOf(connector) + L" failed: " +
                         FailureReason(hr));
    ComPtr<ISoapReader> reader;
    if (FAILED(hr = LoadAnswer(connector, &reader))) return Raise(exception, hr, FailureText(hr));
    if (!reader)
        return Raise(exception, HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
                     L"The answer from " + EndPointOf(connector) + L" to " + operation.name +
                         L" is not a SOAP message");
    if (std::optional<SoapFault> received = FaultOf(reader.Get())) {
        *fault = std::move(*received);
        return Raise(exception, E_FAIL, fault->string);
    }
    std::wstring text;
    if (FAILED(hr = ResultOf(reader.Get(), operation, result, &text)))
        return Raise(exception, hr,
                     L"The result of " + operation.name + L" is not a valid " + operation.result.typeName + L": \"" +
                         text + L"\"");
    return S_OK;
}

}  // namespace nvx::soaptk
