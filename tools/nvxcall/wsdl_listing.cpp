#include "tools/nvxcall/wsdl_listing.h"

#include <functional>

#include "tools/nvxcall/com_text.h"

namespace nvxcall {
namespace {

// Calls `visit` for each element of a toolkit enumeration, releasing each.
template <typename Enumeration, typename Element>
HRESULT ForEach(Enumeration* enumeration, const std::function<HRESULT(Element*)>& visit)
{
    HRESULT hr = S_OK;
    for (;;) {
        Element* element = nullptr;
        long fetched = 0;
        if (enumeration->Next(1, &element, &fetched) != S_OK || fetched != 1 || !element) break;
        hr = visit(element);
        element->Release();
        if (FAILED(hr)) break;
    }
    enumeration->Release();
    return hr;
}

template <typename Object>
std::string Name(Object* object)
{
    Bstr name;
    object->get_name(name.Out());
    return name.Utf8Text();
}

// "int" rather than "xsd:int": the prefix depends on the WSDL, not the type.
std::string LocalType(const std::string& type)
{
    const size_t colon = type.rfind(':');
    return colon == std::string::npos ? type : type.substr(colon + 1);
}

std::string Signature(IWSDLOperation* operation)
{
    IEnumSoapMappers* parts = nullptr;
    std::string inputs, result;
    if (SUCCEEDED(operation->GetOperationParts(&parts)) && parts) {
        ForEach<IEnumSoapMappers, ISoapMapper>(parts, [&](ISoapMapper* part) {
            Bstr element, type;
            long input = 0;
            part->get_elementName(element.Out());
            part->get_elementType(type.Out());
            part->get_isInput(&input);
            if (!input) {
                result = LocalType(type.Utf8Text());
                return S_OK;
            }
            if (!inputs.empty()) inputs += ", ";
            inputs += element.Utf8Text() + ": " + LocalType(type.Utf8Text());
            return S_OK;
        });
    }
    return Name(operation) + "(" + inputs + ")" + (result.empty() ? "" : " -> " + result);
}

HRESULT ForEachOperation(IWSDLReader* reader, const std::function<void(const std::string&, IWSDLPort*)>& onPort,
                         const std::function<void(IWSDLOperation*)>& onOperation,
                         const std::function<void(IWSDLService*)>& onService)
{
    IEnumWSDLService* services = nullptr;
    const HRESULT hr = reader->GetSoapServices(&services);
    if (FAILED(hr) || !services) return FAILED(hr) ? hr : E_FAIL;
    return ForEach<IEnumWSDLService, IWSDLService>(services, [&](IWSDLService* service) {
        onService(service);
        IEnumWSDLPorts* ports = nullptr;
        if (FAILED(service->GetSoapPorts(&ports)) || !ports) return S_OK;
        return ForEach<IEnumWSDLPorts, IWSDLPort>(ports, [&](IWSDLPort* port) {
            onPort(Name(port), port);
            IEnumWSDLOperations* operations = nullptr;
            if (FAILED(port->GetSoapOperations(&operations)) || !operations) return S_OK;
            return ForEach<IEnumWSDLOperations, IWSDLOperation>(operations, [&](IWSDLOperation* operation) {
                onOperation(operation);
                return S_OK;
            });
        });
    });
}

}  // namespace

HRESULT DescribeWsdl(IWSDLReader* reader, std::string* text)
{
    return ForEachOperation(
        reader,
        [&](const std::string& name, IWSDLPort* port) {
            Bstr address;
            port->get_address(address.Out());
            *text += "  Port: " + name + "  " + address.Utf8Text() + "\n";
        },
        [&](IWSDLOperation* operation) { *text += "    " + Signature(operation) + "\n"; },
        [&](IWSDLService* service) { *text += "Service: " + Name(service) + "\n"; });
}

HRESULT HasOperation(IWSDLReader* reader, const std::string& name, bool* found)
{
    *found = false;
    return ForEachOperation(
        reader, [](const std::string&, IWSDLPort*) {},
        [&](IWSDLOperation* operation) { *found = *found || Name(operation) == name; }, [](IWSDLService*) {});
}

}  // namespace nvxcall
