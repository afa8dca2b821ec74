#include "transport/http_connector.h"

namespace nvx::transport {

std::span<const com::InterfaceEntry<HttpConnector>> HttpConnector::Interfaces()
{
    static const com::InterfaceEntry<HttpConnector> table[] = {
        {&IID_INvxHTTPConnector, &com::ViewAs<HttpConnector, INvxHTTPConnector>},
        {&IID_IDispatch, &com::ViewAs<HttpConnector, INvxHTTPConnector>},
        {&IID_ISoapConnector, &com::ViewAs<HttpConnector, ISoapConnector>},
    };
    return table;
}

// The connector's work arrives with the gateway transport.
IFACEMETHODIMP HttpConnector::get_XMLResponse(BSTR*) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::put_Request(BSTR) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::get_InputStream(IStream**) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::get_OutputStream(IStream**) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::get_Property(BSTR, VARIANT*) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::put_Property(BSTR, VARIANT) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::ConnectWSDL(IWSDLPort*) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::Connect() { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::BeginMessageWSDL(IWSDLOperation*) { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::EndMessage() { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::Reset() { return E_NOTIMPL; }
IFACEMETHODIMP HttpConnector::BeginMessage() { return E_NOTIMPL; }

}  // namespace nvx::transport
