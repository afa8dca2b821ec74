#include "src/wsdl/gateway_connectors.h"

#include <string>

#include "base/comframe/module.h"
#include "base/common/activation.h"
#include "base/common/bstr.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/toolkit/connector_property_names.h"
#include "base/toolkit/text_property.h"
#include "src/facade/settings.h"

namespace nvx::wsdl {

void ApplyGatewaySettings(ISoapConnector* connector, const GatewaySettings& settings)
{
    using toolkit::SetTextProperty;
    if (settings.timeout != facade::kTimeoutNotSet)
        SetTextProperty(connector, toolkit::kTimeout, std::to_wstring(settings.timeout));
    if (settings.compression == GZip) SetTextProperty(connector, toolkit::kAcceptEncoding, facade::kCompressedAnswers);
}

HRESULT ConfigureDocumentFetch(ISoapConnector* connector, const GatewaySettings& settings, BSTR url)
{
    ApplyGatewaySettings(connector, settings);
    ComPtr<INvxHTTPConnector> own;
    if (SUCCEEDED(connector->QueryInterface(IID_INvxHTTPConnector, reinterpret_cast<void**>(own.GetAddressOf())))) {
        Bstr get(L"GET");
        own->put_Request(get.Get());
    }
    return url ? toolkit::SetTextProperty(connector, toolkit::kEndPointUrl, ViewOf(url)) : S_OK;
}

std::span<const com::InterfaceEntry<DocumentConnectorFactory>> DocumentConnectorFactory::Interfaces()
{
    static const com::InterfaceEntry<DocumentConnectorFactory> table[] = {
        {&IID_IClassFactory, &com::ViewAs<DocumentConnectorFactory, IClassFactory>},
    };
    return table;
}

HRESULT DocumentConnectorFactory::Create(const GatewaySettings& settings, ComPtr<IClassFactory>* factory)
{
    return ComBoundary([&] {
        ComPtr<IClassFactory> created(new com::PlainObject<DocumentConnectorFactory>());
        static_cast<DocumentConnectorFactory*>(created.Get())->settings_ = settings;
        *factory = std::move(created);
        return S_OK;
    });
}

IFACEMETHODIMP DocumentConnectorFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return ComBoundary([&]() -> HRESULT {
        ComPtr<ISoapConnector> connector;
        const HRESULT hr = ActivateRunning(CLSID_NvxHTTPConnector, connector);
        if (FAILED(hr)) return hr;
        ConfigureDocumentFetch(connector.Get(), settings_, nullptr);
        return connector->QueryInterface(iid, object);
    });
}

IFACEMETHODIMP DocumentConnectorFactory::LockServer(BOOL lock)
{
    if (lock)
        com::Module::Lock();
    else
        com::Module::Unlock();
    return S_OK;
}

}  // namespace nvx::wsdl
