#pragma once
// WSDLReader: the toolkit's WSDL reader. Load reads a WSDL 1.1 document (see
// ReadWsdl for the locations it takes); GetSoapServices hands out the
// services of the last successful load.
#include <windows.h>

#include <span>

#include "base/comframe/object.h"
#include "mssoap.h"
#include "runtime/soaptk/wsdl/wsdl_objects.h"
#include "runtime/soaptk/wsdl/wsdl_source.h"

namespace nvx::soaptk {

class WSDLReader : public IWSDLReader, public com::ObjectRoot<WSDLReader> {
public:
    using PrimaryInterface = IWSDLReader;
    using Services = ModelEnumeration<IEnumWSDLService, IWSDLService>;
    static std::span<const com::InterfaceEntry<WSDLReader>> Interfaces();

    virtual ~WSDLReader() = default;

    // The WSML location is not used: this reader maps types itself. A failed
    // load forgets the services of an earlier one.
    IFACEMETHODIMP Load(BSTR wsdlLocation, BSTR wsmlLocation) override;
    // E_UNEXPECTED until a load has succeeded.
    IFACEMETHODIMP GetSoapServices(IEnumWSDLService** services) override;
    // Matching a received request to its operation is a server's task; this
    // reader serves clients only: E_NOTIMPL.
    IFACEMETHODIMP ParseRequest(ISoapReader* reader, IWSDLPort** port, IWSDLOperation** operation) override;
    // Settings for the loads that follow: "Timeout" (milliseconds, a positive
    // number) bounds a fetch over HTTP; "ProxyServer" ("server:port", or ""
    // for none) routes it through a proxy; "ConnectorFactory" (an
    // IClassFactory, or empty for none) makes the connectors that fetch
    // http:// documents instead; "OriginalLocation" (text) tells where the
    // WSDL to be loaded was copied from. Names are matched without regard to
    // case; any other name is E_INVALIDARG.
    IFACEMETHODIMP setProperty(BSTR name, VARIANT value) override;

private:
    WsdlFetchSettings settings_;
    SharedDescription description_;
    Services::Items services_;
};

}  // namespace nvx::soaptk
