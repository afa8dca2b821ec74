#include "runtime/soaptk/wsdl/wsdl_reader.h"

#include <climits>

#include "base/common/com_boundary.h"
#include "base/common/text.h"
#include "base/common/variant.h"
#include "base/toolkit/client_property_names.h"
#include "runtime/soaptk/text/ignoring_case.h"

namespace nvx::soaptk {
namespace {

HRESULT TimeoutFrom(VARIANT& value, DWORD* timeoutMs)
{
    Variant number;
    const HRESULT hr = VariantChangeTypeEx(number.Get(), &value, LOCALE_INVARIANT, 0, VT_I4);
    if (FAILED(hr) || number->lVal <= 0) return E_INVALIDARG;
    *timeoutMs = static_cast<DWORD>(number->lVal);
    return S_OK;
}

HRESULT ProxyFrom(VARIANT& value, std::wstring* proxy)
{
    Variant text;
    if (FAILED(VariantChangeType(text.Get(), &value, 0, VT_BSTR))) return E_INVALIDARG;
    const std::wstring_view server = ViewOf(text->bstrVal);
    if (server.find_first_of(std::wstring_view(L" \r\n\0", 4)) != server.npos) return E_INVALIDARG;
    *proxy = server;
    return S_OK;
}

HRESULT FactoryFrom(VARIANT& value, ComPtr<IClassFactory>* factory)
{
    IUnknown* object = value.vt == VT_UNKNOWN ? value.punkVal : value.vt == VT_DISPATCH ? value.pdispVal : nullptr;
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
        factory->Reset();
        return S_OK;
    }
    if (!object) return E_INVALIDARG;
    ComPtr<IClassFactory> taken;
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(&taken)))) return E_INVALIDARG;
    *factory = std::move(taken);
    return S_OK;
}

HRESULT TextFrom(VARIANT& value, std::wstring* text)
{
    Variant converted;
    if (FAILED(VariantChangeType(converted.Get(), &value, 0, VT_BSTR))) return E_INVALIDARG;
    *text = ViewOf(converted->bstrVal);
    return S_OK;
}

}  // namespace

std::span<const com::InterfaceEntry<WSDLReader>> WSDLReader::Interfaces()
{
    static const com::InterfaceEntry<WSDLReader> table[] = {{&IID_IWSDLReader, &com::ViewAs<WSDLReader, IWSDLReader>}};
    return table;
}

IFACEMETHODIMP WSDLReader::Load(BSTR wsdlLocation, BSTR)
{
    return ComBoundary([&] {
        description_.reset();
        services_.reset();
        return ReadWsdl(ViewOf(wsdlLocation), settings_, &description_);
    });
}

IFACEMETHODIMP WSDLReader::GetSoapServices(IEnumWSDLService** services)
{
    if (services) *services = nullptr;
    if (services && !description_) return E_UNEXPECTED;
    return EnumerateChildren<IEnumWSDLService, IWSDLService>(
        services_,
        [&](std::vector<Services::Item>& items) {
            return AddObjects<WSDLService>(description_, std::span(description_->services), &items);
        },
        services);
}

IFACEMETHODIMP WSDLReader::ParseRequest(ISoapReader*, IWSDLPort** port, IWSDLOperation** operation)
{
    if (port) *port = nullptr;
    if (operation) *operation = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP WSDLReader::setProperty(BSTR name, VARIANT value)
{
    return ComBoundary([&] {
        if (EqualsIgnoringCase(ViewOf(name), L"Timeout")) return TimeoutFrom(value, &settings_.timeoutMs);
        if (EqualsIgnoringCase(ViewOf(name), L"ProxyServer")) return ProxyFrom(value, &settings_.proxy);
        if (EqualsIgnoringCase(ViewOf(name), toolkit::kConnectorFactory))
            return FactoryFrom(value, &settings_.connectors);
        if (EqualsIgnoringCase(ViewOf(name), toolkit::kOriginalLocation))
            return TextFrom(value, &settings_.originalLocation);
        return E_INVALIDARG;
    });
}

}  // namespace nvx::soaptk
