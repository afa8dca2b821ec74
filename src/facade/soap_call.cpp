#include "src/facade/soap_call.h"

#include <new>
#include <string>
#include <string_view>

#include "NvxWebSvc.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/error_info.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/http/header_text.h"
#include "base/toolkit/connector_property_names.h"
#include "base/toolkit/text_property.h"
#include "base/toolkit/toolkit_library.h"
#include "mssoap.h"
#include "nx_loader.h"
#include "src/facade/error_report.h"
#include "src/facade/http_call_trace.h"
#include "src/facade/soap_envelope.h"
#include "src/facade/variant_string_list.h"
#include "src/trace/trace_log.h"

namespace nvx::facade {
namespace {

constexpr wchar_t kNoObject[] = L"the loader returned no object";
constexpr wchar_t kNoRequestStream[] = L"the connector gave no request stream";
constexpr wchar_t kNoAnswerStream[] = L"the connector gave no answer stream";
constexpr wchar_t kNotSoap[] = L"the answer is not a SOAP message";
constexpr wchar_t kOutOfMemory[] = L"out of memory";

// A failed step of a call: the text it reports and what caused the failure.
struct CallFailure {
    std::string message;
    std::wstring cause;
    HRESULT status = E_FAIL;
};

CallFailure InvalidArgument(const char* message) { return {message, {}, E_INVALIDARG}; }

// Refuses what would change the request head before any object is made. The
// connectors check again what they are given, as the bytes they send.
void CheckHeadText(const CallSettings& settings, BSTR endPointUrl, BSTR webMethod)
{
    if (!http::IsRequestTargetText(ViewOf(endPointUrl))) throw InvalidArgument(kInvalidEndPointUrl);
    if (!http::IsHeaderValueText(ViewOf(webMethod))) throw InvalidArgument(kInvalidWebMethod);
    if (!http::IsHeaderValueText(ViewOf(settings.nameSpace))) throw InvalidArgument(kInvalidNameSpace);
}

template <class Interface>
ComPtr<Interface> CreateToolkitObject(REFCLSID clsid, const char* failure)
{
    ComPtr<Interface> object;
    const HRESULT hr = CreateFromLibrary(toolkit::kToolkitLibrary, clsid, __uuidof(Interface),
                                         reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(hr)) throw CallFailure{failure, FailureText(hr)};
    if (!object) throw CallFailure{failure, kNoObject};
    return object;
}

// Sends the request; what went wrong when the connector says it failed (a
// connector leaves its reason in the thread's error object).
std::wstring SendRequest(ISoapConnector* connector)
{
    SetErrorInfo(0, nullptr);
    const HRESULT sent = connector->EndMessage();
    return SUCCEEDED(sent) ? std::wstring() : FailureReason(sent);
}

void SetConnectorProperties(ISoapConnector* connector, const CallSettings& settings, BSTR endPointUrl, BSTR action)
{
    using toolkit::SetTextProperty;
    if (settings.compression == GZip) SetTextProperty(connector, toolkit::kAcceptEncoding, kCompressedAnswers);
    if (SetTextProperty(connector, toolkit::kEndPointUrl, ViewOf(endPointUrl)) == E_INVALIDARG)
        throw InvalidArgument(kInvalidEndPointUrl);
    if (settings.timeout != kTimeoutNotSet)
        SetTextProperty(connector, toolkit::kTimeout, std::to_wstring(settings.timeout));
    if (SetTextProperty(connector, toolkit::kSoapAction, ViewOf(action)) == E_INVALIDARG)
        throw InvalidArgument(kInvalidWebMethod);
}

ComPtr<ISoapReader> RunCall(const CallSettings& settings, BSTR endPointUrl, BSTR webMethod, const VARIANT& argNames,
                            const VARIANT& argValues)
{
    CheckHeadText(settings, endPointUrl, webMethod);
    const VariantStringList names(argNames);
    const CLSID& connectorClass = settings.transport == SoapOverNXComm ? CLSID_NvxHTTPConnector : CLSID_HttpConnector;
    auto connector = CreateToolkitObject<ISoapConnector>(connectorClass, kConnectorFailed);
    Bstr action;
    action.Reset(SoapAction(settings.nameSpace, webMethod));
    SetConnectorProperties(connector.Get(), settings, endPointUrl, action.Get());
    connector->BeginMessage();
    // The gateway's connector traces its own exchange.
    const bool traced = settings.transport != SoapOverNXComm && trace::TraceActive();

    auto serializer = CreateToolkitObject<ISoapSerializer>(CLSID_SoapSerializer, kSerializerFailed);
    std::wstring exchangeFailure;
    {
        ComPtr<IStream> request;
        connector->get_InputStream(&request);
        if (!request) throw CallFailure{kGenericFailure, kNoRequestStream};
        ComPtr<IStream> buffer = traced ? NewMemoryStream() : request;
        if (!buffer) throw CallFailure{kGenericFailure, kOutOfMemory};
        Variant destination;
        V_VT(destination.Get()) = VT_UNKNOWN;
        V_UNKNOWN(destination.Get()) = ComPtr<IStream>(buffer).Detach();
        serializer->Init(*destination);
        WriteRequestEnvelope(serializer.Get(), settings.nameSpace, webMethod, names, argValues);
        if (traced && FAILED(ForwardTracedRequest(buffer.Get(), request.Get(), endPointUrl, action.Get())))
            throw CallFailure{kExchangeFailed, kNoRequestStream};
        exchangeFailure = SendRequest(connector.Get());
    }
    // The connector's reason comes first: it knows why no SOAP message arrived.
    const auto exchangeFailed = [&](const wchar_t* otherwise) {
        return CallFailure{kExchangeFailed, exchangeFailure.empty() ? otherwise : exchangeFailure};
    };

    auto reader = CreateToolkitObject<ISoapReader>(CLSID_SoapReader, kReaderFailed);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    {
        ComPtr<IStream> response;
        connector->get_OutputStream(&response);
        if (response && traced) response = TracedResponse(response.Get());
        if (!response) throw exchangeFailed(kNoAnswerStream);
        Variant source;
        V_VT(source.Get()) = VT_UNKNOWN;
        V_UNKNOWN(source.Get()) = response.Detach();
        reader->Load(*source, nullptr, &loaded);
    }
    if (loaded != VARIANT_TRUE) throw exchangeFailed(kNotSoap);
    return reader;
}

}  // namespace

HRESULT ExecuteSoapCall(const CallSettings& settings, BSTR endPointUrl, BSTR webMethod, const VARIANT& argNames,
                        const VARIANT& argValues, IDispatch** reader)
{
    if (!reader) return E_POINTER;
    *reader = nullptr;
    CallFailure failure{kGenericFailure, {}};
    try {
        ComPtr<ISoapReader> result = RunCall(settings, endPointUrl, webMethod, argNames, argValues);
        *reader = result.Detach();
        return S_OK;
    } catch (CallFailure& known) {
        failure = std::move(known);
    } catch (const UnsendableArgument& refused) {
        failure = InvalidArgument((kUnsendableArgument + refused.name + kUnsendableArgumentReason).c_str());
    } catch (const std::bad_alloc&) {
        failure.cause = kOutOfMemory;
    } catch (...) {
        // Anything else a step raised: no more is known than the message says.
    }
    ReportError(failure.message.c_str(), failure.cause);
    return failure.status;
}

}  // namespace nvx::facade
