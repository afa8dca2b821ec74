#include "tools/nvxcall/caller_session.h"

#include <vector>

namespace nvxcall {
namespace {

// A VARIANT holding a SAFEARRAY of VARIANT strings, as script clients pass them.
HRESULT TextArray(const std::vector<std::string>& items, VARIANT* array)
{
    SAFEARRAY* elements = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
    if (!elements) return E_OUTOFMEMORY;
    HRESULT hr = S_OK;
    for (LONG index = 0; SUCCEEDED(hr) && index < static_cast<LONG>(items.size()); ++index) {
        Variant item;
        V_VT(item.Get()) = VT_BSTR;
        V_BSTR(item.Get()) = SysAllocString(Wide(items[static_cast<size_t>(index)]).c_str());
        hr = V_BSTR(item.Get()) ? SafeArrayPutElement(elements, &index, item.Get()) : E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        SafeArrayDestroy(elements);
        return hr;
    }
    V_VT(array) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(array) = elements;
    return S_OK;
}

HRESULT ArgumentArrays(const Options& options, VARIANT* names, VARIANT* values)
{
    std::vector<std::string> nameList, valueList;
    for (const auto& [name, value] : options.arguments) {
        nameList.push_back(name);
        valueList.push_back(value);
    }
    const HRESULT hr = TextArray(nameList, names);
    return FAILED(hr) ? hr : TextArray(valueList, values);
}

}  // namespace

std::string WsdlLocation(const std::string& url) { return url.find('?') == std::string::npos ? url + "?WSDL" : url; }

CallerSession::~CallerSession()
{
    if (tracer_) {
        tracer_->put_OutputFile(nullptr);  // closes the trace file
        tracer_->Release();
    }
    if (caller_) caller_->Release();
}

HRESULT CallerSession::Open(const Options& options)
{
    const HRESULT hr = CoCreateInstance(CLSID_ComWebSvc, nullptr, CLSCTX_INPROC_SERVER, IID_IComWebSvc,
                                        reinterpret_cast<void**>(&caller_));
    return FAILED(hr) ? hr : ApplySettings(options);
}

HRESULT CallerSession::ApplySettings(const Options& options)
{
    HRESULT hr =
        caller_->put_SoapTransportProtocol(options.transport == Transport::Http ? SoapOverHTTP : SoapOverNXComm);
    if (SUCCEEDED(hr) && options.timeoutMs) hr = caller_->put_Timeout(*options.timeoutMs);
    if (SUCCEEDED(hr) && options.gzip) hr = caller_->put_Compression(GZip);
    if (SUCCEEDED(hr) && !options.nameSpace.empty()) hr = caller_->put_NameSpace(Bstr(options.nameSpace).Get());
    if (SUCCEEDED(hr) && !options.traceFile.empty()) {
        hr = caller_->QueryInterface(IID_INvxTracer, reinterpret_cast<void**>(&tracer_));
        if (SUCCEEDED(hr)) hr = tracer_->put_OutputFile(Bstr(options.traceFile).Get());
    }
    return hr;
}

HRESULT CallerSession::AnonymousCall(const Options& options, VARIANT* result)
{
    Variant names, values;
    const HRESULT hr = ArgumentArrays(options, names.Get(), values.Get());
    if (FAILED(hr)) return hr;
    return caller_->get_AnonymousCall(Bstr(options.url).Get(), Bstr(options.method).Get(), names.Ref(), values.Ref(),
                                      result);
}

HRESULT CallerSession::Execute(const Options& options, std::string* xml)
{
    Variant names, values;
    HRESULT hr = ArgumentArrays(options, names.Get(), values.Get());
    if (FAILED(hr)) return hr;
    Bstr answer;
    hr = caller_->get_Execute(Bstr(options.url).Get(), Bstr(options.method).Get(), names.Ref(), values.Ref(),
                              answer.Out());
    if (SUCCEEDED(hr)) *xml = answer.Utf8Text();
    return hr;
}

HRESULT CallerSession::LoadWsdl(const std::string& wsdlLocation, IWSDLReader** reader)
{
    IDispatch* handedOut = nullptr;
    HRESULT hr = caller_->get_WSDLReader(&handedOut);
    if (FAILED(hr)) return hr;
    if (!handedOut) return E_NOINTERFACE;
    hr = handedOut->QueryInterface(IID_IWSDLReader, reinterpret_cast<void**>(reader));
    handedOut->Release();
    if (FAILED(hr)) return hr;
    hr = (*reader)->Load(Bstr(wsdlLocation).Get(), Bstr("").Get());
    if (FAILED(hr)) {
        (*reader)->Release();
        *reader = nullptr;
    }
    return hr;
}

}  // namespace nvxcall
