#include "src/facade/soap_call.h"

#include <string>
#include <string_view>

#include "NvxWebSvc.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/text.h"
#include "base/common/variant.h"
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

// A failed step of a call: the text it reports.
struct CallFailure {
    const char* message;
};

template <class Interface>
ComPtr<Interface> CreateToolkitObject(REFCLSID clsid, const char* failure)
{
    ComPtr<Interface> object;
    if (FAILED(CreateFromLibrary(toolkit::kToolkitLibrary, clsid, __uuidof(Interface),
                                 reinterpret_cast<void**>(object.GetAddressOf()))) ||
        !object)
        throw CallFailure{failure};
    return object;
}

void SetConnectorProperties(ISoapConnector* connector, const CallSettings& settings, BSTR endPointUrl, BSTR action)
{
    using toolkit::SetTextProperty;
    if (settings.compression == GZip) SetTextProperty(connector, toolkit::kAcceptEncoding, kCompressedAnswers);
    SetTextProperty(connector, toolkit::kEndPointUrl, ViewOf(endPointUrl));
    if (settings.timeout != kTimeoutNotSet)
        SetTextProperty(connector, toolkit::kTimeout, std::to_wstring(settings.timeout));
    SetTextProperty(connector, toolkit::kSoapAction, ViewOf(action));
}

ComPtr<ISoapReader> RunCall(const CallSettings& settings, BSTR endPointUrl, BSTR webMethod, const VARIANT& argNames,
                            const VARIANT& argValues)
{
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
    {
        ComPtr<IStream> request;
        connector->get_InputStream(&request);
        if (!request) throw CallFailure{kGenericFailure};
        ComPtr<IStream> buffer = traced ? NewMemoryStream() : request;
        if (!buffer) throw CallFailure{kGenericFailure};
        Variant destination;
        V_VT(destination.Get()) = VT_UNKNOWN;
        V_UNKNOWN(destination.Get()) = ComPtr<IStream>(buffer).Detach();
        serializer->Init(*destination);
        WriteRequestEnvelope(serializer.Get(), settings.nameSpace, webMethod, names, argValues);
        if (traced && FAILED(ForwardTracedRequest(buffer.Get(), request.Get(), endPointUrl, action.Get())))
            throw CallFailure{kExchangeFailed};
        connector->EndMessage();
    }

    auto reader = CreateToolkitObject<ISoapReader>(CLSID_SoapReader, kReaderFailed);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    {
        ComPtr<IStream> response;
        connector->get_OutputStream(&response);
        if (response && traced) response = TracedResponse(response.Get());
        if (!response) throw CallFailure{kExchangeFailed};
        Variant source;
        V_VT(source.Get()) = VT_UNKNOWN;
        V_UNKNOWN(source.Get()) = response.Detach();
        reader->Load(*source, nullptr, &loaded);
    }
    if (loaded != VARIANT_TRUE) throw CallFailure{kExchangeFailed};
    return reader;
}

}  // namespace

HRESULT ExecuteSoapCall(const CallSettings& settings, BSTR endPointUrl, BSTR webMethod, const VARIANT& argNames,
                        const VARIANT& argValues, IDispatch** reader)
{
    if (!reader) return E_POINTER;
    *reader = nullptr;
    const char* failure = kGenericFailure;
    try {
        ComPtr<ISoapReader> result = RunCall(settings, endPointUrl, webMethod, argNames, argValues);
        *reader = result.Detach();
        return S_OK;
    } catch (const CallFailure& known) {
        failure = known.message;
    } catch (...) {
        // Out of memory, or anything else a step raised.
    }
    ReportError(failure);
    return E_FAIL;
}

}  // namespace nvx::facade
