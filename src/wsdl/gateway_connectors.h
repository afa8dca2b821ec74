#pragma once
// Connectors of the gateway transport, made ready for the WSDL path: the
// toolkit's WSDL reader and SOAP client take a factory of them to fetch a WSDL
// and the documents it imports over the gateway, as the calls go.
#include <windows.h>
#include <unknwn.h>

#include <span>

#include "NvxWebSvc.h"
#include "base/comframe/object.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"

namespace nvx::wsdl {

struct GatewaySettings {
    long timeout;  // facade::kTimeoutNotSet for the connector's own
    _HTTPCOMPRESSION_ compression;
};

// Sets a gateway connector up for a GET of `url` with these settings; the
// status of setting the location (E_INVALIDARG for one that cannot be sent).
HRESULT ConfigureDocumentFetch(ISoapConnector* connector, const GatewaySettings& settings, BSTR url);

// The time-out and codings of the settings on any connector (a call's too).
void ApplyGatewaySettings(ISoapConnector* connector, const GatewaySettings& settings);

// An IClassFactory whose instances are NvxHTTPConnectors set up for a GET
// (the caller names the URL as "EndPointURL").
class DocumentConnectorFactory : public IClassFactory, public com::ObjectRoot<DocumentConnectorFactory> {
public:
    using PrimaryInterface = IClassFactory;
    static std::span<const com::InterfaceEntry<DocumentConnectorFactory>> Interfaces();
    static HRESULT Create(const GatewaySettings& settings, ComPtr<IClassFactory>* factory);

    virtual ~DocumentConnectorFactory() = default;

    // Aggregation is refused (CLASS_E_NOAGGREGATION).
    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    IFACEMETHODIMP LockServer(BOOL lock) override;

private:
    GatewaySettings settings_{};
};

}  // namespace nvx::wsdl
