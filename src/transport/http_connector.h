#pragma once
// NvxHTTPConnector: the SOAP connector of the gateway transport.
#include <windows.h>

#include <span>

#include "NvxWebSvc.h"
#include "comframe/dispatch.h"
#include "comframe/object.h"
#include "mssoap.h"

namespace nvx::transport {

class HttpConnector : public com::DispatchImpl<INvxHTTPConnector, &LIBID_NVXWEBSVCLib>,
                      public com::DispatchImpl<ISoapConnector, &LIBID_MSSOAPLib>,
                      public com::ObjectRoot<HttpConnector> {
public:
    using PrimaryInterface = INvxHTTPConnector;
    static std::span<const com::InterfaceEntry<HttpConnector>> Interfaces();

    virtual ~HttpConnector() = default;

    // INvxHTTPConnector
    IFACEMETHODIMP get_XMLResponse(BSTR* text) override;
    IFACEMETHODIMP put_Request(BSTR method) override;

    // ISoapConnector
    IFACEMETHODIMP get_InputStream(IStream** stream) override;
    IFACEMETHODIMP get_OutputStream(IStream** stream) override;
    IFACEMETHODIMP get_Property(BSTR name, VARIANT* value) override;
    IFACEMETHODIMP put_Property(BSTR name, VARIANT value) override;
    IFACEMETHODIMP ConnectWSDL(IWSDLPort* port) override;
    IFACEMETHODIMP Connect() override;
    IFACEMETHODIMP BeginMessageWSDL(IWSDLOperation* operation) override;
    IFACEMETHODIMP EndMessage() override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP BeginMessage() override;
};

}  // namespace nvx::transport
