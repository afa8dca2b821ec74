#include "src/facade/com_web_svc.h"

#include <ole2.h>

#include "base/common/activation.h"
#include "base/common/com_boundary.h"
#include "base/common/com_ptr.h"
#include "base/common/msxml.h"
#include "base/common/text.h"
#include "base/http/header_text.h"
#include "mssoap.h"
#include "src/facade/error_report.h"
#include "src/facade/soap_call.h"
#include "src/trace/trace_log.h"
#include "src/wsdl/anonymous_call.h"
#include "src/wsdl/toolkit_wsdl_reader.h"
#include "src/wsdl/wsdl_location.h"

namespace nvx::facade {
namespace {

constexpr wchar_t kDefaultNameSpace[] = L"http://www.norvexa.com/webservices/";

template <class T>
HRESULT StoreValue(T* out, T value)
{
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

}  // namespace

std::span<const com::InterfaceEntry<ComWebSvc>> ComWebSvc::Interfaces()
{
    static const com::InterfaceEntry<ComWebSvc> table[] = {
        {&IID_IComWebSvc, &com::ViewAs<ComWebSvc, IComWebSvc>},
        {&IID_IDispatch, &com::ViewAs<ComWebSvc, IComWebSvc>},
        {&IID_INvxTracer, &com::ViewAs<ComWebSvc, INvxTracer>},
        {&IID_ISupportErrorInfo, &com::ViewAs<ComWebSvc, ISupportErrorInfo>},
    };
    return table;
}

ComWebSvc::ComWebSvc() : nameSpace_(kDefaultNameSpace) {}

// Destroying any caller ends the process-wide trace, as callers expect.
ComWebSvc::~ComWebSvc() { trace::TraceStop(); }

CallSettings ComWebSvc::Settings() const { return {nameSpace_.Get(), transport_, compression_, timeout_}; }

IFACEMETHODIMP ComWebSvc::get_Compression(_HTTPCOMPRESSION_* value) { return StoreValue(value, compression_); }

IFACEMETHODIMP ComWebSvc::put_Compression(_HTTPCOMPRESSION_ value)
{
    compression_ = value;
    return S_OK;
}

IFACEMETHODIMP ComWebSvc::get_NameSpace(BSTR* value)
{
    if (!value) return E_POINTER;
    *value = nullptr;
    return ComBoundary([&] {
        *value = Bstr::CopyOf(nameSpace_.Get()).Detach();
        return S_OK;
    });
}

IFACEMETHODIMP ComWebSvc::put_NameSpace(BSTR value)
{
    return ComBoundary([&] {
        nameSpace_ = Bstr::CopyOf(value);
        return S_OK;
    });
}

IFACEMETHODIMP ComWebSvc::get_SoapTransportProtocol(_SOAPTRANSPORT_* value) { return StoreValue(value, transport_); }

IFACEMETHODIMP ComWebSvc::put_SoapTransportProtocol(_SOAPTRANSPORT_ value)
{
    transport_ = value;
    return S_OK;
}

IFACEMETHODIMP ComWebSvc::get_Timeout(long* value) { return StoreValue(value, timeout_); }

IFACEMETHODIMP ComWebSvc::put_Timeout(long value)
{
    timeout_ = value;
    return S_OK;
}

IFACEMETHODIMP ComWebSvc::get_UseDefaultProxy(long* value) { return StoreValue(value, useDefaultProxy_); }

IFACEMETHODIMP ComWebSvc::put_UseDefaultProxy(long value)
{
    useDefaultProxy_ = value;
    return S_OK;
}

IFACEMETHODIMP ComWebSvc::get_WSDLReader(IDispatch** reader)
{
    if (!reader) return E_POINTER;
    *reader = nullptr;
    return ComBoundary([&]() -> HRESULT {
        ComPtr<IDispatch> handedOut;
        const HRESULT hr =
            transport_ == SoapOverNXComm ? GatewayWsdlReader(&handedOut) : wsdl::CreateToolkitWsdlReader(&handedOut);
        if (FAILED(hr)) return hr;
        *reader = handedOut.Detach();
        return S_OK;
    });
}

// The reader's IDispatch is what a script can call; C++ callers ask it for the
// toolkit's reader interface, which it answers too.
HRESULT ComWebSvc::GatewayWsdlReader(ComPtr<IDispatch>* reader) const
{
    ComPtr<IWSDLReader> wsdlReader;
    HRESULT hr = ActivateRunning(CLSID_NvxWSDLReader, wsdlReader);
    if (FAILED(hr)) return hr;
    ComPtr<INvxWSDLReader> settings;
    if (SUCCEEDED(wsdlReader.As(&settings))) {
        settings->put_Timeout(timeout_);
        settings->put_Compression(compression_);
    }
    return wsdlReader.As(reader);
}

IFACEMETHODIMP ComWebSvc::get_Execute3(BSTR endPointUrl, BSTR webMethod, VARIANT argNames, VARIANT argValues,
                                       IDispatch** reader)
{
    return ExecuteSoapCall(Settings(), endPointUrl, webMethod, argNames, argValues, reader);
}

IFACEMETHODIMP ComWebSvc::get_Execute2(BSTR endPointUrl, BSTR webMethod, VARIANT argNames, VARIANT argValues,
                                       IDispatch** document)
{
    if (!document) return E_POINTER;
    *document = nullptr;
    ComPtr<IDispatch> reader;
    HRESULT hr = get_Execute3(endPointUrl, webMethod, argNames, argValues, &reader);
    if (FAILED(hr)) return hr;
    ComPtr<ISoapReader> soapReader;
    hr = reader.As(&soapReader);
    if (FAILED(hr)) return hr;
    return soapReader->get_DOM(document);
}

IFACEMETHODIMP ComWebSvc::get_Execute(BSTR endPointUrl, BSTR webMethod, VARIANT argNames, VARIANT argValues, BSTR* xml)
{
    if (!xml) return E_POINTER;
    *xml = nullptr;
    ComPtr<IDispatch> document;
    HRESULT hr = get_Execute2(endPointUrl, webMethod, argNames, argValues, &document);
    if (FAILED(hr)) return hr;
    ComPtr<IXMLDOMNode> node;
    hr = document.As(&node);
    if (FAILED(hr)) return hr;
    return node->get_xml(xml);
}

IFACEMETHODIMP ComWebSvc::get_AnonymousCall(BSTR wsdlFile, BSTR method, VARIANT argNames, VARIANT argValues,
                                            VARIANT* result)
{
    if (!result) return E_POINTER;
    VariantInit(result);
    return ComBoundary([&] {
        if (!http::IsRequestTargetText(std::string_view(wsdl::WsdlLocation(AnsiFromWide(ViewOf(wsdlFile)))))) {
            ReportError(kInvalidWsdlFile);
            return E_INVALIDARG;
        }
        const wsdl::AnonymousCallSettings settings{useDefaultProxy_ != 0, transport_ == SoapOverNXComm, timeout_,
                                                   compression_};
        return wsdl::AnonymousCall(settings, &serviceModel_, wsdlFile, method, argNames, argValues, result);
    });
}

IFACEMETHODIMP ComWebSvc::get_OutputFile(BSTR* path)
{
    if (!path) return E_POINTER;
    *path = nullptr;
    return ComBoundary([&] {
        *path = Bstr(WideFromAnsi(trace::TracePath())).Detach();
        return S_OK;
    });
}

IFACEMETHODIMP ComWebSvc::put_OutputFile(BSTR path)
{
    ComBoundary([&] {
        if (!path) {
            trace::TraceStart(nullptr);
            return S_OK;
        }
        trace::TraceStart(AnsiFromWide(ViewOf(path)).c_str());
        return S_OK;
    });
    return S_OK;
}

IFACEMETHODIMP ComWebSvc::InterfaceSupportsErrorInfo(REFIID iid)
{
    return IsEqualIID(iid, IID_IComWebSvc) ? S_OK : S_FALSE;
}

}  // namespace nvx::facade
