#pragma once
// NvxWSDLReader: a WSDL reader that fetches the description over the gateway
// transport and hands it to the toolkit's own WSDL reader.
#include <windows.h>

#include <map>
#include <span>
#include <string>
#include <vector>

#include "NvxWebSvc.h"
#include "base/comframe/dispatch.h"
#include "base/comframe/object.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "src/facade/settings.h"

namespace nvx::wsdl {

class NvxWsdlReader : public com::DispatchImpl<INvxWSDLReader, &LIBID_NVXWEBSVCLib>,
                      public IWSDLReader,
                      public IEnumWSDLService,
                      public com::ObjectRoot<NvxWsdlReader> {
public:
    using PrimaryInterface = INvxWSDLReader;
    static std::span<const com::InterfaceEntry<NvxWsdlReader>> Interfaces();

    virtual ~NvxWsdlReader();

    // INvxWSDLReader
    IFACEMETHODIMP put_Compression(_HTTPCOMPRESSION_ value) override;
    IFACEMETHODIMP put_Timeout(long value) override;

    // IWSDLReader
    IFACEMETHODIMP Load(BSTR wsdlLocation, BSTR wsmlLocation) override;
    IFACEMETHODIMP GetSoapServices(IEnumWSDLService** services) override;
    IFACEMETHODIMP ParseRequest(ISoapReader* request, IWSDLPort** port, IWSDLOperation** operation) override;
    IFACEMETHODIMP setProperty(BSTR name, VARIANT value) override;

    // IEnumWSDLService, over this object's own service list and map
    IFACEMETHODIMP Next(long count, IWSDLService** service, long* fetched) override;
    IFACEMETHODIMP Skip(long count) override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP Clone(IEnumWSDLService** clone) override;
    IFACEMETHODIMP Find(BSTR name, IWSDLService** service) override;

private:
    void FetchImportsOverGateway(IWSDLReader* inner, BSTR wsdlLocation) const;

    std::map<std::string, ComPtr<IWSDLService>> serviceMap_;
    std::vector<ComPtr<IWSDLService>> serviceList_;
    size_t cursor_ = 0;
    ComPtr<ISoapReader> soapReader_;
    ComPtr<IWSDLReader> innerReader_;
    long timeout_ = facade::kTimeoutNotSet;
    _HTTPCOMPRESSION_ compression_ = None;
};

}  // namespace nvx::wsdl
