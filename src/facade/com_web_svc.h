#pragma once
// ComWebSvc: the automation object through which a client calls a web
// service. It holds a call's settings, runs the calls and hands out WSDL
// readers configured like itself.
#include <windows.h>

#include <span>

#include "NvxWebSvc.h"
#include "base/comframe/dispatch.h"
#include "base/comframe/object.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "src/facade/settings.h"
#include "src/wsdl/service_model.h"

namespace nvx::facade {

class ComWebSvc : public com::DispatchImpl<IComWebSvc, &LIBID_NVXWEBSVCLib>,
                  public INvxTracer,
                  public ISupportErrorInfo,
                  public com::ObjectRoot<ComWebSvc> {
public:
    using PrimaryInterface = IComWebSvc;
    static std::span<const com::InterfaceEntry<ComWebSvc>> Interfaces();

    ComWebSvc();
    virtual ~ComWebSvc();

    // IComWebSvc
    IFACEMETHODIMP get_Compression(_HTTPCOMPRESSION_* value) override;
    IFACEMETHODIMP put_Compression(_HTTPCOMPRESSION_ value) override;
    IFACEMETHODIMP get_NameSpace(BSTR* value) override;
    IFACEMETHODIMP put_NameSpace(BSTR value) override;
    IFACEMETHODIMP get_SoapTransportProtocol(_SOAPTRANSPORT_* value) override;
    IFACEMETHODIMP put_SoapTransportProtocol(_SOAPTRANSPORT_ value) override;
    IFACEMETHODIMP get_Timeout(long* value) override;
    IFACEMETHODIMP put_Timeout(long value) override;
    IFACEMETHODIMP get_WSDLReader(IDispatch** reader) override;
    IFACEMETHODIMP get_Execute(BSTR endPointUrl, BSTR webMethod, VARIANT argNames, VARIANT argValues,
                               BSTR* xml) override;
    IFACEMETHODIMP get_Execute2(BSTR endPointUrl, BSTR webMethod, VARIANT argNames, VARIANT argValues,
                                IDispatch** document) override;
    IFACEMETHODIMP get_Execute3(BSTR endPointUrl, BSTR webMethod, VARIANT argNames, VARIANT argValues,
                                IDispatch** reader) override;
    IFACEMETHODIMP get_AnonymousCall(BSTR wsdlFile, BSTR method, VARIANT argNames, VARIANT argValues,
                                     VARIANT* result) override;
    IFACEMETHODIMP get_UseDefaultProxy(long* value) override;
    IFACEMETHODIMP put_UseDefaultProxy(long value) override;

    // INvxTracer
    IFACEMETHODIMP get_OutputFile(BSTR* path) override;
    IFACEMETHODIMP put_OutputFile(BSTR path) override;

    // ISupportErrorInfo
    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    CallSettings Settings() const;
    HRESULT GatewayWsdlReader(ComPtr<IDispatch>* reader) const;

    long useDefaultProxy_ = 0;
    Bstr nameSpace_;
    _SOAPTRANSPORT_ transport_ = SoapOverNXComm;
    _HTTPCOMPRESSION_ compression_ = None;
    long timeout_ = kTimeoutNotSet;
    wsdl::ServiceModel serviceModel_;  // of the last AnonymousCall
};

}  // namespace nvx::facade
