#pragma once
// NvxHTTPConnector: the SOAP connector of the gateway transport. It keeps the
// request's HTTP properties, composes the HTTP head from them and hands head
// and body to its gateway stream, which sends them and receives the answer.
// The order of use: properties, BeginMessage (the head), InputStream (the
// serializer writes the envelope), EndMessage (send), OutputStream (read).
#include <windows.h>

#include <span>
#include <string>

#include "NvxWebSvc.h"
#include "base/comframe/dispatch.h"
#include "base/comframe/object.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "src/transport/header_property_table.h"

namespace nvx::transport {

class NvxHttpConnector : public com::DispatchImpl<INvxHTTPConnector, &LIBID_NVXWEBSVCLib>,
                         public com::DispatchImpl<ISoapConnector, &LIBID_MSSOAPLib>,
                         public com::ObjectRoot<NvxHttpConnector> {
public:
    using PrimaryInterface = INvxHTTPConnector;
    static std::span<const com::InterfaceEntry<NvxHttpConnector>> Interfaces();

    NvxHttpConnector();
    virtual ~NvxHttpConnector() = default;

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

private:
    // Reads a property through the interface, as callers see it.
    HRESULT PropertyText(const wchar_t* name, VARIANT* value);

    HeaderPropertyTable properties_;
    ComPtr<INvxUBlockStream> stream_;
    Bstr endPointUrl_;
    Bstr method_{L"POST"};
    // Basic credentials from the endpoint URL's user information, which the
    // request line and "Host" never carry.
    std::string authorizationLine_;
};

}  // namespace nvx::transport
