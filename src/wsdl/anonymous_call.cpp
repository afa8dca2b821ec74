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
#include "base/toolkit/connector_property_names.h"
#include "base/toolkit/text_property.h"
#include "base/toolkit/toolkit_library.h"
#include "nx_loader.h"
#include "src/wsdl/table_result.h"

namespace nvx::wsdl {
namespace {

constexpr char kWsdlSuffix[] = "?WSDL";
constexpr wchar_t kDefaultProxy[] = L"proxy.norvexa.com";
constexpr wchar_t kDefaultProxyVariable[] = L"NVX_DEFAULT_PROXY";
constexpr wchar_t kDefaultProxyPort[] = L"80";
constexpr LCID kSystemDefaultLocale = 0x0800;
constexpr WORD kPresetExceptionCode = 1001;

HRESULT LoadModel(const std::wstring& location, ServiceModel* model)
{
    ComPtr<IWSDLReader> reader;
    if (FAILED(ActivateRunning(CLSID_WSDLReader, reader))) return E_FAIL;
    const Bstr wsdl(location);
    const Bstr noWsml(L"");
    if (FAILED(reader->Load(wsdl.Get(), noWsml.Get()))) return E_FAIL;
    return SUCCEEDED(BuildServiceModel(reader.Get(), model)) ? S_OK : E_FAIL;
}

HRESULT CreateClient(const std::wstring& location, const OperationRecord& operation, bool useDefaultProxy,
                     ComPtr<ISOAPClient>* client)
{
    HRESULT hr = CreateFromLibrary(toolkit::kToolkitLibrary, CLSID_SoapClient, IID_ISOAPClient,
                                   reinterpret_cast<void**>(client->GetAddressOf()));
    if (FAILED(hr)) return hr;
    const Bstr wsdl(location);
    const Bstr service(operation.port->service->name);
    const Bstr port(operation.port->name);
    hr = (*client)->mssoapinit(wsdl.Get(), service.Get(), port.Get(), nullptr);
    if (FAILED(hr)) return hr;
    if (useDefaultProxy) {
        toolkit::SetTextProperty(client->Get(), toolkit::kProxyServer, DefaultProxyHost());
        toolkit::SetTextProperty(client->Get(), toolkit::kProxyPort, kDefaultProxyPort);
    }
    return S_OK;
}

// Leaves `what` failed, and why, in the thread's error object; passes the status on.
HRESULT Failed(HRESULT failure, const std::wstring& what)
{
    SetErrorDescription(IID_IComWebSvc, what + L": " + FailureReason(failure));
    return failure;
}

// The location as it may be shown: without credentials.
std::wstring Shown(const std::wstring& location)
{
    return WideFromUtf8(http::UrlWithoutCredentials(Utf8FromWide(location)));
}

// The client's own description of a failed call goes to the error object.
HRESULT Invoke(ISOAPClient* client, BSTR method, facade::ArgumentBlock* arguments, VARIANT* result)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {method};
    HRESULT hr = client->GetIDsOfNames(IID_NULL, names, 1, kSystemDefaultLocale, &id);
    if (FAILED(hr)) return Failed(hr, L"The SOAP client has no method " + std::wstring(ViewOf(method)));
    ExcepInfo exception;
    exception->wCode = kPresetExceptionCode;
    hr = client->Invoke(id, IID_NULL, kSystemDefaultLocale, DISPATCH_METHOD, arguments->Params(), result,
                        exception.Get(), nullptr);
    if (FAILED(hr) && exception->bstrDescription)
        SetErrorDescription(IID_IComWebSvc, ViewOf(exception->bstrDescription));
    else if (FAILED(hr))
        Failed(hr, L"The call of " + std::wstring(ViewOf(method)) + L" failed");
    return hr;
}

}  // namespace

std::string WsdlLocation(const std::string& serviceLocation)
{
    constexpr char kLeadingSpace[] = " \t\n\v\f\r";
    const size_t start = serviceLocation.find_first_not_of(kLeadingSpace);
    std::string location = start == std::string::npos ? std::string() : serviceLocation.substr(start);
    const size_t end = location.find_last_not_of(' ');
    location.resize(end == std::string::npos ? 0 : end + 1);
    const std::string suffix = kWsdlSuffix;
    if (location.size() < suffix.size() ||
        location.compare(location.size() - suffix.size(), suffix.size(), suffix) != 0)
        location += suffix;
    return location;
}

std::wstring DefaultProxyHost()
{
    wchar_t configured[256];
    const DWORD length = GetEnvironmentVariableW(kDefaultProxyVariable, configured, 256);
    return length > 0 && length < 256 ? std::wstring(configured, length) : std::wstring(kDefaultProxy);
}

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
    HRESULT hr = LoadModel(location, model);
    if (FAILED(hr)) return Failed(hr, L"Failed to read the WSDL at " + Shown(location));
    const OperationRecord* operation = FindOperation(*model, std::wstring(ViewOf(method)));
    if (!operation) return S_OK;

    ComPtr<ISOAPClient> client;
    hr = CreateClient(location, *operation, settings.useDefaultProxy, &client);
    if (FAILED(hr)) return Failed(hr, L"Failed to create the SOAP client for " + Shown(location));
    facade::ArgumentBlock arguments;
    hr = operation->Bind(argNames, argValues, &arguments);
    if (FAILED(hr)) return Failed(hr, L"The arguments do not fit " + std::wstring(ViewOf(method)));
    Variant returned;
    hr = Invoke(client.Get(), method, &arguments, returned.Get());
    if (FAILED(hr)) return hr;
    if (V_VT(returned.Get()) == VT_DISPATCH) return ConvertToTable(V_DISPATCH(returned.Get()), result);
    returned.Detach(result);
    return S_OK;
}

}  // namespace nvx::wsdl
