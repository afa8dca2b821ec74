#include "wsdl/wsdl_reader.h"

#include "common/com_boundary.h"
#include "common/text.h"

namespace nvx::wsdl {

std::span<const com::InterfaceEntry<WsdlReader>> WsdlReader::Interfaces()
{
    static const com::InterfaceEntry<WsdlReader> table[] = {
        {&IID_INvxWSDLReader, &com::ViewAs<WsdlReader, INvxWSDLReader>},
        {&IID_IDispatch, &com::ViewAs<WsdlReader, INvxWSDLReader>},
        {&IID_IWSDLReader, &com::ViewAs<WsdlReader, IWSDLReader>},
        {&IID_IEnumWSDLService, &com::ViewAs<WsdlReader, IEnumWSDLService>},
    };
    return table;
}

WsdlReader::~WsdlReader()
{
    innerReader_.Reset();
    soapReader_.Reset();
}

IFACEMETHODIMP WsdlReader::put_Compression(_HTTPCOMPRESSION_ value)
{
    compression_ = value;
    return S_OK;
}

IFACEMETHODIMP WsdlReader::put_Timeout(long value)
{
    timeout_ = value;
    return S_OK;
}

// Fetching arrives with the WSDL access.
IFACEMETHODIMP WsdlReader::Load(BSTR, BSTR) { return E_NOTIMPL; }

IFACEMETHODIMP WsdlReader::GetSoapServices(IEnumWSDLService** services)
{
    if (!services) return E_POINTER;
    if (!innerReader_) return E_NOTIMPL;
    return innerReader_->GetSoapServices(services);
}

IFACEMETHODIMP WsdlReader::ParseRequest(ISoapReader*, IWSDLPort** port, IWSDLOperation** operation)
{
    if (!port || !operation) return E_POINTER;
    return E_NOTIMPL;
}

IFACEMETHODIMP WsdlReader::setProperty(BSTR, VARIANT) { return E_NOTIMPL; }

IFACEMETHODIMP WsdlReader::Next(long, IWSDLService** service, long* fetched)
{
    if (!service) return E_POINTER;
    *service = nullptr;
    if (fetched) *fetched = 0;
    if (cursor_ >= serviceList_.size()) return S_OK;
    serviceList_[cursor_++].CopyTo(service);
    if (fetched) *fetched = 1;
    return S_OK;
}

IFACEMETHODIMP WsdlReader::Skip(long count)
{
    for (long i = 0; i < count && cursor_ < serviceList_.size(); ++i) ++cursor_;
    return S_OK;
}

IFACEMETHODIMP WsdlReader::Reset()
{
    cursor_ = 0;
    return S_OK;
}

IFACEMETHODIMP WsdlReader::Clone(IEnumWSDLService** clone) { return clone ? E_NOTIMPL : E_POINTER; }

IFACEMETHODIMP WsdlReader::Find(BSTR name, IWSDLService** service)
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
