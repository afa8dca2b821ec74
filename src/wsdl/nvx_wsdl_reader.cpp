#include "src/wsdl/nvx_wsdl_reader.h"

#include <string>

#include "base/common/activation.h"
#include "base/common/bstr.h"
#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/toolkit/client_property_names.h"
#include "src/facade/settings.h"
#include "src/wsdl/gateway_connectors.h"
#include "src/wsdl/wsdl_cache.h"

namespace nvx::wsdl {
std::span<const com::InterfaceEntry<NvxWsdlReader>> NvxWsdlReader::Interfaces()
{
    static const com::InterfaceEntry<NvxWsdlReader> table[] = {
        {&IID_INvxWSDLReader, &com::ViewAs<NvxWsdlReader, INvxWSDLReader>},
        {&IID_IDispatch, &com::ViewAs<NvxWsdlReader, INvxWSDLReader>},
        {&IID_IWSDLReader, &com::ViewAs<NvxWsdlReader, IWSDLReader>},
        {&IID_IEnumWSDLService, &com::ViewAs<NvxWsdlReader, IEnumWSDLService>},
    };
    return table;
}

NvxWsdlReader::~NvxWsdlReader()
{
    innerReader_.Reset();
    soapReader_.Reset();
}

IFACEMETHODIMP NvxWsdlReader::put_Compression(_HTTPCOMPRESSION_ value)
{
    compression_ = value;
    return S_OK;
}

IFACEMETHODIMP NvxWsdlReader::put_Timeout(long value)
{
    timeout_ = value;
    return S_OK;
}

IFACEMETHODIMP NvxWsdlReader::Load(BSTR wsdlLocation, BSTR)
{
    return ComBoundary([&]() -> HRESULT {
        ComPtr<ISoapConnector> connector;
        if (FAILED(ActivateRunning(CLSID_NvxHTTPConnector, connector))) return S_OK;
        // A location that would break the request is refused before anything
        // is sent, with the connector's description of why.
        const HRESULT hr = ConfigureDocumentFetch(connector.Get(), {timeout_, compression_}, wsdlLocation);
        if (hr == E_INVALIDARG) return hr;
        connector->BeginMessage();
        connector->EndMessage();

        soapReader_.Reset();
        if (FAILED(ActivateRunning(CLSID_SoapReader, soapReader_))) return S_OK;
        {
            ComPtr<IStream> response;
            connector->get_OutputStream(&response);
            Variant source;
            V_VT(source.Get()) = VT_UNKNOWN;
            V_UNKNOWN(source.Get()) = response.Detach();
            VARIANT_BOOL loaded = VARIANT_FALSE;
            soapReader_->Load(*source, nullptr, &loaded);
        }

        Bstr wsdl;
        ComPtr<INvxHTTPConnector> own;
        if (SUCCEEDED(connector.As(&own))) own->get_XMLResponse(wsdl.Put());

        // One cache file serves every reader in every process: writing it and
        // loading the toolkit's reader from it are one step under a mutex.
        WsdlCacheLock cacheLock;
        if (!WriteCacheFile(wsdl.View())) return S_OK;
        ComPtr<IWSDLReader> inner;
        if (SUCCEEDED(ActivateRunning(CLSID_WSDLReader, inner))) {
            FetchImportsOverGateway(inner.Get(), wsdlLocation);
            Bstr cachePath(kCacheFile);
            Bstr noWsml(L"");
            inner->Load(cachePath.Get(), noWsml.Get());
            innerReader_ = inner;
        }
        return S_OK;
    });
}

// The cached copy stands for the document at `wsdlLocation`: what it imports
// is found from there and fetched over the gateway too. A toolkit reader that
// knows neither setting still reads the copy.
void NvxWsdlReader::FetchImportsOverGateway(IWSDLReader* inner, BSTR wsdlLocation) const
{
    ComPtr<IClassFactory> connectors;
    if (FAILED(DocumentConnectorFactory::Create({timeout_, compression_}, &connectors))) return;
    Variant factory;
    V_VT(factory.Get()) = VT_UNKNOWN;
    V_UNKNOWN(factory.Get()) = connectors.Detach();
    inner->setProperty(Bstr(toolkit::kConnectorFactory).Get(), *factory.Get());
    Variant original;
    V_VT(original.Get()) = VT_BSTR;
    V_BSTR(original.Get()) = Bstr::CopyOf(wsdlLocation).Detach();
    inner->setProperty(Bstr(toolkit::kOriginalLocation).Get(), *original.Get());
}

IFACEMETHODIMP NvxWsdlReader::GetSoapServices(IEnumWSDLService** services)
{
    if (!services) return E_POINTER;
    if (!innerReader_) return E_NOTIMPL;
    return innerReader_->GetSoapServices(services);
}

IFACEMETHODIMP NvxWsdlReader::ParseRequest(ISoapReader*, IWSDLPort** port, IWSDLOperation** operation)
{
    if (!port || !operation) return E_POINTER;
    return E_NOTIMPL;
}

IFACEMETHODIMP NvxWsdlReader::setProperty(BSTR, VARIANT) { return E_NOTIMPL; }

IFACEMETHODIMP NvxWsdlReader::Next(long, IWSDLService** service, long* fetched)
{
    if (!service) return E_POINTER;
    *service = nullptr;
    if (fetched) *fetched = 0;
    if (cursor_ >= serviceList_.size()) return S_OK;
    serviceList_[cursor_++].CopyTo(service);
    if (fetched) *fetched = 1;
    return S_OK;
}

IFACEMETHODIMP NvxWsdlReader::Skip(long count)
{
    for (long i = 0; i < count && cursor_ < serviceList_.size(); ++i) ++cursor_;
    return S_OK;
}

IFACEMETHODIMP NvxWsdlReader::Reset()
{
    cursor_ = 0;
    return S_OK;
}

IFACEMETHODIMP NvxWsdlReader::Clone(IEnumWSDLService** clone) { return clone ? E_NOTIMPL : E_POINTER; }

IFACEMETHODIMP NvxWsdlReader::Find(BSTR name, IWSDLService** service)
{
    if (!service) return E_POINTER;
    *service = nullptr;
    return ComBoundary([&]() -> HRESULT {
        const auto found = serviceMap_.find(AnsiFromWide(ViewOf(name)));
        if (found == serviceMap_.end()) return E_FAIL;
        return found->second.CopyTo(service);
    });
}

}  // namespace nvx::wsdl
