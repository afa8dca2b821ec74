#include "runtime/soaptk/client/soap_client.h"

#include "base/common/bstr.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/toolkit/client_property_names.h"
#include "base/toolkit/connector_property_names.h"
#include "runtime/soaptk/client/operation_call.h"
#include "runtime/soaptk/connector/standard_http_connector.h"
#include "runtime/soaptk/text/ignoring_case.h"
#include "runtime/soaptk/wsdl/wsdl_source.h"

namespace nvx::soaptk {
namespace {

const HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);

HRESULT CopyText(const std::wstring& text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The element of that name (exact), or the first for an empty name.
template <class Description>
const Description* Pick(const std::vector<Description>& candidates, std::wstring_view name)
{
    for (const Description& candidate : candidates)
        if (name.empty() || candidate.name == name) return &candidate;
    return nullptr;
}

}  // namespace

std::span<const com::InterfaceEntry<SoapClient>> SoapClient::Interfaces()
{
    static const com::InterfaceEntry<SoapClient> table[] = {
        {&IID_ISOAPClient, &com::ViewAs<SoapClient, ISOAPClient>},
        {&IID_IDispatch, &com::ViewAs<SoapClient, ISOAPClient>},
    };
    return table;
}

HRESULT SoapClient::Connector(ComPtr<ISoapConnector>* connector)
{
    if (!connector_) {
        const NamedValue* progId = FindClientProperty(toolkit::kConnectorProgId);
        HRESULT hr;
        if (progId && progId->value->vt == VT_BSTR && SysStringLen(progId->value->bstrVal) != 0) {
            CLSID connectorClass{};
            if (FAILED(hr = CLSIDFromProgID(progId->value->bstrVal, &connectorClass))) return hr;
            hr = CoCreateInstance(connectorClass, nullptr, CLSCTX_INPROC_SERVER, IID_ISoapConnector,
                                  reinterpret_cast<void**>(connector_.GetAddressOf()));
        } else {
            hr = com::CreateInstance<StandardHttpConnector>(nullptr, IID_ISoapConnector,
                                                            reinterpret_cast<void**>(connector_.GetAddressOf()));
        }
        if (FAILED(hr)) return hr;
    }
    *connector = connector_;
    return S_OK;
}

WsdlFetchSettings SoapClient::FetchSettings()
{
    WsdlFetchSettings settings;
    const NamedValue* factory = FindClientProperty(toolkit::kConnectorFactory);
    IUnknown* object = !factory                            ? nullptr
                       : factory->value->vt == VT_UNKNOWN  ? factory->value->punkVal
                       : factory->value->vt == VT_DISPATCH ? factory->value->pdispVal
                                                           : nullptr;
    if (object) object->QueryInterface(IID_PPV_ARGS(&settings.connectors));
    return settings;
}

IFACEMETHODIMP SoapClient::mssoapinit(BSTR wsdl, BSTR service, BSTR port, BSTR)
{
    return ComBoundary([&]() -> HRESULT {
        description_.reset();
        port_ = nullptr;
        fault_ = {};
        SharedDescription description;
        HRESULT hr = ReadWsdl(ViewOf(wsdl), FetchSettings(), &description);
        if (FAILED(hr)) return hr;
        const ServiceDescription* pickedService = Pick(description->services, ViewOf(service));
        const PortDescription* pickedPort = pickedService ? Pick(pickedService->ports, ViewOf(port)) : nullptr;
        if (!pickedPort) return kNotFound;

        ComPtr<ISoapConnector> connector;
        if (FAILED(hr = Connector(&connector))) return hr;
        Variant address;
        address->vt = VT_BSTR;
        address->bstrVal = Bstr(pickedPort->address).Detach();
        if (FAILED(hr = connector->put_Property(Bstr(toolkit::kEndPointUrl).Get(), *address))) return hr;
        description_ = std::move(description);
        port_ = pickedPort;
        return S_OK;
    });
}

IFACEMETHODIMP SoapClient::get_faultcode(BSTR* code) { return CopyText(fault_.code, code); }
IFACEMETHODIMP SoapClient::get_faultstring(BSTR* text) { return CopyText(fault_.string, text); }
IFACEMETHODIMP SoapClient::get_faultactor(BSTR* actor) { return CopyText(fault_.actor, actor); }
IFACEMETHODIMP SoapClient::get_detail(BSTR* detail) { return CopyText(fault_.detail, detail); }

SoapClient::NamedValue* SoapClient::FindClientProperty(std::wstring_view name)
{
    for (NamedValue& property : clientProperties_)
        if (EqualsIgnoringCase(property.name, name)) return &property;
    return nullptr;
}

IFACEMETHODIMP SoapClient::get_ClientProperty(BSTR name, VARIANT* value)
{
    if (!value) return E_POINTER;
    VariantInit(value);
    NamedValue* property = FindClientProperty(ViewOf(name));
    return property ? VariantCopy(value, property->value.Get()) : E_INVALIDARG;
}

IFACEMETHODIMP SoapClient::put_ClientProperty(BSTR name, VARIANT value)
{
    return ComBoundary([&]() -> HRESULT {
        if (ViewOf(name).empty()) return E_INVALIDARG;
        Variant copy;
        const HRESULT hr = VariantCopy(copy.Get(), &value);
        if (FAILED(hr)) return hr;
        NamedValue* property = FindClientProperty(ViewOf(name));
        if (!property) property = &clientProperties_.emplace_back(std::wstring(ViewOf(name)));
        copy.Detach(property->value.Put());
        if (EqualsIgnoringCase(ViewOf(name), toolkit::kConnectorProgId)) connector_.Reset();
        return S_OK;
    });
}

IFACEMETHODIMP SoapClient::putref_HeaderHandler(IDispatch*) { return E_NOTIMPL; }

IFACEMETHODIMP SoapClient::get_ConnectorProperty(BSTR name, VARIANT* value)
{
    if (!value) return E_POINTER;
    VariantInit(value);
    return ComBoundary([&]() -> HRESULT {
        ComPtr<ISoapConnector> connector;
        const HRESULT hr = Connector(&connector);
        return FAILED(hr) ? hr : connector->get_Property(name, value);
    });
}

IFACEMETHODIMP SoapClient::put_ConnectorProperty(BSTR name, VARIANT value)
{
    return ComBoundary([&]() -> HRESULT {
        ComPtr<ISoapConnector> connector;
        const HRESULT hr = Connector(&connector);
        return FAILED(hr) ? hr : connector->put_Property(name, value);
    });
}

std::optional<size_t> SoapClient::FindOperation(std::wstring_view name) const
{
    if (!port_) return std::nullopt;
    for (size_t index = 0; index < port_->operations.size(); ++index)
        if (EqualsIgnoringCase(port_->operations[index].name, name)) return index;
    return std::nullopt;
}

const OperationDescription* SoapClient::OperationOf(DISPID id) const
{
    if (!port_ || id < kFirstOperationId) return nullptr;
    const size_t index = static_cast<size_t>(id - kFirstOperationId);
    return index < port_->operations.size() ? &port_->operations[index] : nullptr;
}

IFACEMETHODIMP SoapClient::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    const HRESULT hr = DispatchImpl::GetIDsOfNames(iid, names, count, locale, ids);
    if (SUCCEEDED(hr) || !names || !ids || count == 0 || !names[0]) return hr;
    return ComBoundary([&]() -> HRESULT {
        const std::optional<size_t> operation = FindOperation(names[0]);
        if (!operation) return hr;
        for (UINT index = 0; index < count; ++index) ids[index] = DISPID_UNKNOWN;
        ids[0] = kFirstOperationId + static_cast<DISPID>(*operation);
        // Arguments are positional only.
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    });
}

IFACEMETHODIMP SoapClient::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                  VARIANT* result, EXCEPINFO* exception, UINT* argumentError)
{
    const OperationDescription* operation = OperationOf(id);
    if (!operation) return DispatchImpl::Invoke(id, iid, locale, flags, parameters, result, exception, argumentError);
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (!parameters) return E_INVALIDARG;
    if (result) VariantInit(result);
    return ComBoundary([&]() -> HRESULT {
        // The operation lives in the description, which must outlive the call
        // even if the client is initialised anew meanwhile.
        const SharedDescription description = description_;
        fault_ = {};
        ComPtr<ISoapConnector> connector;
        HRESULT hr = Connector(&connector);
        if (FAILED(hr)) return hr;
        Variant returned;
        hr = CallOperation(connector.Get(), *operation, *parameters, returned.Get(), exception, argumentError, &fault_);
        if (SUCCEEDED(hr) && result) returned.Detach(result);
        return hr;
    });
}

}  // namespace nvx::soaptk
