#include "src/wsdl/anonymous_call.h"

#include <string>

#include "NvxWebSvc.h"
#include "base/common/activation.h"
#include "base/common/bstr.h"
#include "base/common/excep_info.h"
#include "base/common/error_info.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/http/url.h"
#include "base/toolkit/client_property_names.h"
#include "base/toolkit/connector_property_names.h"
#include "base/toolkit/text_property.h"
#include "base/toolkit/toolkit_library.h"
#include "nx_loader.h"
#include "src/facade/error_report.h"
#include "src/trace/trace_log.h"
#include "src/wsdl/gateway_connectors.h"
#include "src/wsdl/structured_result.h"
#include "src/wsdl/table_result.h"
#include "src/wsdl/wsdl_location.h"

namespace nvx::wsdl {
namespace {

constexpr wchar_t kDefaultProxyPort[] = L"80";
constexpr wchar_t kGatewayConnector[] = L"NvxWebSvc.NvxHTTPConnector";
constexpr wchar_t kCallSource[] = L"NvxWebSvc.AnonymousCall";
constexpr char kTraceLabel[] = "AnonymousCall()";
constexpr LCID kSystemDefaultLocale = 0x0800;
constexpr WORD kPresetExceptionCode = 1001;

HRESULT CreateWsdlReader(const AnonymousCallSettings& settings, ComPtr<IWSDLReader>* reader)
{
    if (!settings.overGateway) return ActivateRunning(CLSID_WSDLReader, *reader);
    HRESULT hr = ActivateRunning(CLSID_NvxWSDLReader, *reader);
    ComPtr<INvxWSDLReader> own;
    if (SUCCEEDED(hr) && SUCCEEDED(reader->As(&own))) {
        own->put_Timeout(settings.timeout);
        own->put_Compression(settings.compression);
    }
    return hr;
}

HRESULT LoadModel(const AnonymousCallSettings& settings, const std::wstring& location, ServiceModel* model)
{
    ComPtr<IWSDLReader> reader;
    if (FAILED(CreateWsdlReader(settings, &reader))) return E_FAIL;
    const Bstr wsdl(location);
    const Bstr noWsml(L"");
    if (FAILED(reader->Load(wsdl.Get(), noWsml.Get()))) return E_FAIL;
    return SUCCEEDED(BuildServiceModel(reader.Get(), model)) ? S_OK : E_FAIL;
}

HRESULT SetClientProperty(ISOAPClient* client, const wchar_t* name, VARIANT& value)
{
    return client->put_ClientProperty(Bstr(name).Get(), value);
}

// The gateway's connector carries the call, and a factory of them fetches
// the WSDL and what it imports; both must be set before the client reads the
// WSDL.
HRESULT UseGateway(ISOAPClient* client, const AnonymousCallSettings& settings)
{
    ComPtr<IClassFactory> connectors;
    HRESULT hr = DocumentConnectorFactory::Create({settings.timeout, settings.compression}, &connectors);
    if (FAILED(hr)) return hr;
    Variant factory;
    V_VT(factory.Get()) = VT_UNKNOWN;
    V_UNKNOWN(factory.Get()) = connectors.Detach();
    Variant progId;
    V_VT(progId.Get()) = VT_BSTR;
    V_BSTR(progId.Get()) = Bstr(kGatewayConnector).Detach();
    if (FAILED(hr = SetClientProperty(client, toolkit::kConnectorFactory, *factory.Get()))) return hr;
    return SetClientProperty(client, toolkit::kConnectorProgId, *progId.Get());
}

HRESULT CreateClient(const std::wstring& location, const OperationRecord& operation,
                     const AnonymousCallSettings& settings, ComPtr<ISOAPClient>* client)
{
    HRESULT hr = CreateFromLibrary(toolkit::kToolkitLibrary, CLSID_SoapClient, IID_ISOAPClient,
                                   reinterpret_cast<void**>(client->GetAddressOf()));
    if (FAILED(hr)) return hr;
    if (settings.overGateway && FAILED(hr = UseGateway(client->Get(), settings))) return hr;
    const Bstr wsdl(location);
    const Bstr service(operation.port->service->name);
    const Bstr port(operation.port->name);
    hr = (*client)->mssoapinit(wsdl.Get(), service.Get(), port.Get(), nullptr);
    if (FAILED(hr)) return hr;
    if (settings.overGateway) {
        if (settings.timeout != facade::kTimeoutNotSet)
            toolkit::SetTextProperty(client->Get(), toolkit::kTimeout, std::to_wstring(settings.timeout));
        if (settings.compression == GZip)
            toolkit::SetTextProperty(client->Get(), toolkit::kAcceptEncoding, facade::kCompressedAnswers);
    }
    if (settings.useDefaultProxy) {
        toolkit::SetTextProperty(client->Get(), toolkit::kProxyServer, DefaultProxyHost());
        toolkit::SetTextProperty(client->Get(), toolkit::kProxyPort, kDefaultProxyPort);
    }
    return S_OK;
}

// Leaves `what` failed, and why, in the thread's error object; passes the status on.
HRESULT Failed(HRESULT failure, const std::wstring& what)
{
    facade::ReportError(what + L": " + FailureReason(failure), kCallSource);
    return failure;
}

// The location as it may be shown: without credentials.
std::wstring Shown(const std::wstring& location)
{
    return WideFromUtf8(http::UrlWithoutCredentials(Utf8FromWide(location)));
}

// A fault names its code as the source; any other failure the client's.
void ReportException(ISOAPClient* client, const EXCEPINFO& exception)
{
    Bstr faultCode;
    client->get_faultcode(faultCode.Put());
    const std::wstring_view source = !faultCode.View().empty() ? faultCode.View() : ViewOf(exception.bstrSource);
    facade::ReportError(ViewOf(exception.bstrDescription), source);
}

void ReportArgument(const OperationRecord& operation, size_t part, HRESULT failure)
{
    const PartRecord& parameter = operation.parameters[part];
    std::wstring description = L"The argument " + parameter.elementName + L" of " + operation.name;
    description += parameter.variantType == VT_DISPATCH
                       ? L" takes XML text, an XML node or a table (row 0 the names, row 1 the values)"
                       : L" cannot be converted to its type";
    wchar_t code[16];
    swprintf(code, 16, L" (0x%08lX)", static_cast<unsigned long>(failure));
    facade::ReportError(description + code, kCallSource);
}

HRESULT Invoke(ISOAPClient* client, const OperationRecord& operation, BSTR method, facade::ArgumentBlock* arguments,
               VARIANT* result)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {method};
    HRESULT hr = client->GetIDsOfNames(IID_NULL, names, 1, kSystemDefaultLocale, &id);
    if (FAILED(hr)) return Failed(hr, L"The SOAP client has no method " + std::wstring(ViewOf(method)));
    ExcepInfo exception;
    exception->wCode = kPresetExceptionCode;
    UINT argumentError = UINT_MAX;
    hr = client->Invoke(id, IID_NULL, kSystemDefaultLocale, DISPATCH_METHOD, arguments->Params(), result,
                        exception.Get(), &argumentError);
    const UINT count = arguments->Params()->cArgs;
    if (hr == DISP_E_EXCEPTION && exception->bstrDescription)
        ReportException(client, *exception.Get());
    else if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) && argumentError < count)
        ReportArgument(operation, count - 1 - argumentError, hr);
    else if (FAILED(hr))
        Failed(hr, L"The call of " + std::wstring(ViewOf(method)) + L" failed");
    return hr;
}

// Why a method is not to be had: what the description offers instead.
void TraceMissingOperation(const ServiceModel& model, const std::wstring& location, BSTR method)
{
    std::wstring offered;
    for (const auto& service : model)
        for (const auto& port : service->ports)
            for (const auto& operation : port->operations) offered += (offered.empty() ? L"" : L", ") + operation->name;
    std::wstring text = L"The WSDL at " + location + L" offers no operation " + std::wstring(ViewOf(method)) + L": ";
    text += offered.empty() ? L"it describes no SOAP 1.1 or 1.2 port with operations (an import that could not be "
                              L"fetched, or a binding of another kind)"
                            : L"its SOAP ports offer " + offered;
    const std::string narrow = AnsiFromWide(text);
    trace::TraceEntry(trace::Direction::In, kTraceLabel, narrow.data(), narrow.size());
}

// VBScript refuses 64-bit integers ("xsd:long") outright: such a result
// becomes a Long when it fits, a Decimal (exact) when it does not.
void ScriptableNumber(VARIANT* value)
{
    if (V_VT(value) != VT_I8 && V_VT(value) != VT_UI8) return;
    if (FAILED(VariantChangeType(value, value, 0, VT_I4))) VariantChangeType(value, value, 0, VT_DECIMAL);
}

HRESULT ConvertObject(const OperationRecord& operation, IDispatch* object, VARIANT* result)
{
    HRESULT hr = ConvertToTable(object, result);
    if (FAILED(hr) || V_VT(result) != VT_EMPTY) return hr;
    return ConvertStructure(object, operation.result ? operation.result->typeName : std::wstring(), result);
}

}  // namespace

HRESULT AnonymousCall(const AnonymousCallSettings& settings, ServiceModel* model, BSTR wsdlFile, BSTR method,
                      const VARIANT& argNames, const VARIANT& argValues, VARIANT* result)
{
    VariantInit(result);
    SetErrorInfo(0, nullptr);
    model->clear();
    std::wstring location;
    try {
        location = WideFromAnsi(WsdlLocation(AnsiFromWide(ViewOf(wsdlFile))));
    } catch (...) {
        return E_FAIL;
    }
    HRESULT hr = LoadModel(settings, location, model);
    if (FAILED(hr)) return Failed(hr, L"The WSDL at " + Shown(location) + L" could not be read");
    const OperationRecord* operation = FindOperation(*model, std::wstring(ViewOf(method)));
    if (!operation) {
        TraceMissingOperation(*model, location, method);
        return S_OK;
    }

    ComPtr<ISOAPClient> client;
    hr = CreateClient(location, *operation, settings, &client);
    if (FAILED(hr)) return Failed(hr, L"Failed to create the SOAP client for " + Shown(location));
    facade::ArgumentBlock arguments;
    size_t failedPart = 0;
    hr = operation->Bind(argNames, argValues, &arguments, &failedPart);
    if (FAILED(hr)) {
        ReportArgument(*operation, failedPart, hr);
        return hr;
    }
    Variant returned;
    hr = Invoke(client.Get(), *operation, method, &arguments, returned.Get());
    if (FAILED(hr)) return hr;
    if (V_VT(returned.Get()) == VT_DISPATCH) return ConvertObject(*operation, V_DISPATCH(returned.Get()), result);
    ScriptableNumber(returned.Get());
    returned.Detach(result);
    return S_OK;
}

}  // namespace nvx::wsdl
