#pragma once
// The toolkit's WSDL object model over a loaded description: services, their
// ports, the ports' operations and the operations' parts (mappers). Every
// object shares the description it points into, so any of them outlives the
// reader that made it. A parent makes its children once and hands out the
// same objects to every enumeration.
#include <windows.h>

#include <memory>
#include <span>

#include "base/comframe/object.h"
#include "base/common/com_ptr.h"
#include "base/common/variant.h"
#include "mssoap.h"
#include "runtime/soaptk/wsdl/model_enumeration.h"
#include "runtime/soaptk/wsdl/wsdl_description.h"

namespace nvx::soaptk {

using SharedDescription = std::shared_ptr<const WsdlDescription>;

// One part of an operation.
class SoapMapper : public ISoapMapper, public com::ObjectRoot<SoapMapper> {
public:
    using PrimaryInterface = ISoapMapper;
    static std::span<const com::InterfaceEntry<SoapMapper>> Interfaces();
    static HRESULT Create(SharedDescription owner, const PartDescription* part, ComPtr<ISoapMapper>* out);

    virtual ~SoapMapper() = default;

    IFACEMETHODIMP get_partName(BSTR* name) override;
    IFACEMETHODIMP get_elementName(BSTR* name) override;
    // The local name of the declared type ("int", "DataSet"); "" for an
    // anonymous type.
    IFACEMETHODIMP get_elementType(BSTR* type) override;
    // The namespace of the part's element; "" when it is unqualified.
    IFACEMETHODIMP get_xmlNameSpace(BSTR* uri) override;
    // 1 for an argument, 0 for the result.
    IFACEMETHODIMP get_isInput(long* input) override;
    // The argument's 1-based position in the call; -1 for the result.
    IFACEMETHODIMP get_callIndex(long* index) override;
    // The same as callIndex: arguments come in the order of the WSDL.
    IFACEMETHODIMP get_parameterOrder(long* order) override;
    // A value the caller keeps on the part; the mapper only stores it.
    IFACEMETHODIMP get_comValue(VARIANT* value) override;
    IFACEMETHODIMP put_comValue(VARIANT value) override;
    // VARIANT_TRUE when the part's type is complex (variantType VT_DISPATCH).
    IFACEMETHODIMP get_isComplex(VARIANT_BOOL* complex) override;
    IFACEMETHODIMP get_minOccurs(long* minOccurs) override;
    // The VARTYPE a value of the part's type takes.
    IFACEMETHODIMP get_variantType(long* type) override;

private:
    SharedDescription owner_;
    const PartDescription* part_ = nullptr;
    Variant value_;
};

class WSDLOperation : public IWSDLOperation, public com::ObjectRoot<WSDLOperation> {
public:
    using PrimaryInterface = IWSDLOperation;
    using Parts = ModelEnumeration<IEnumSoapMappers, ISoapMapper>;
    static std::span<const com::InterfaceEntry<WSDLOperation>> Interfaces();
    static HRESULT Create(SharedDescription owner, const OperationDescription* operation, ComPtr<IWSDLOperation>* out);

    virtual ~WSDLOperation() = default;

    IFACEMETHODIMP get_documentation(BSTR* documentation) override;
    IFACEMETHODIMP get_name(BSTR* name) override;
    IFACEMETHODIMP get_soapAction(BSTR* action) override;
    IFACEMETHODIMP get_style(BSTR* style) override;
    // The namespace and local name of the element that wraps the arguments:
    // the wrapper element (document style) or the operation's element (rpc);
    // "" when the arguments stand directly in the body.
    IFACEMETHODIMP get_inputNamespace(BSTR* uri) override;
    IFACEMETHODIMP get_inputElement(BSTR* element) override;
    // The same for the element that wraps the result.
    IFACEMETHODIMP get_outputNamespace(BSTR* uri) override;
    IFACEMETHODIMP get_outputElement(BSTR* element) override;
    // The arguments in call order, then the result (when there is one).
    IFACEMETHODIMP GetOperationParts(IEnumSoapMappers** parts) override;

private:
    SharedDescription owner_;
    const OperationDescription* operation_ = nullptr;
    Parts::Items parts_;
};

class WSDLPort : public IWSDLPort, public com::ObjectRoot<WSDLPort> {
public:
    using PrimaryInterface = IWSDLPort;
    using Operations = ModelEnumeration<IEnumWSDLOperations, IWSDLOperation>;
    static std::span<const com::InterfaceEntry<WSDLPort>> Interfaces();
    static HRESULT Create(SharedDescription owner, const PortDescription* port, ComPtr<IWSDLPort>* out);

    virtual ~WSDLPort() = default;

    IFACEMETHODIMP get_name(BSTR* name) override;
    // The soap:address location.
    IFACEMETHODIMP get_address(BSTR* address) override;
    // "document" or "rpc", the binding's default style.
    IFACEMETHODIMP get_bindStyle(BSTR* style) override;
    IFACEMETHODIMP get_transport(BSTR* transport) override;
    IFACEMETHODIMP get_documentation(BSTR* documentation) override;
    IFACEMETHODIMP GetSoapOperations(IEnumWSDLOperations** operations) override;

private:
    SharedDescription owner_;
    const PortDescription* port_ = nullptr;
    Operations::Items operations_;
};

class WSDLService : public IWSDLService, public com::ObjectRoot<WSDLService> {
public:
    using PrimaryInterface = IWSDLService;
    using Ports = ModelEnumeration<IEnumWSDLPorts, IWSDLPort>;
    using Services = ModelEnumeration<IEnumWSDLService, IWSDLService>;
    static std::span<const com::InterfaceEntry<WSDLService>> Interfaces();
    static HRESULT Create(SharedDescription owner, const ServiceDescription* service, ComPtr<IWSDLService>* out);

    virtual ~WSDLService() = default;

    IFACEMETHODIMP get_name(BSTR* name) override;
    IFACEMETHODIMP get_documentation(BSTR* documentation) override;
    // The service's SOAP 1.1 ports; ports of other bindings are left out.
    IFACEMETHODIMP GetSoapPorts(IEnumWSDLPorts** ports) override;

private:
    SharedDescription owner_;
    const ServiceDescription* service_ = nullptr;
    Ports::Items ports_;
};

inline const std::wstring& NameOf(const ServiceDescription& service) { return service.name; }
inline const std::wstring& NameOf(const PortDescription& port) { return port.name; }
inline const std::wstring& NameOf(const OperationDescription& operation) { return operation.name; }
inline const std::wstring& NameOf(const PartDescription& part) { return part.partName; }

// Adds an object of class T for each description to `items`, under the
// description's name.
template <class T, class Element, class Description>
HRESULT AddObjects(const SharedDescription& owner, std::span<const Description> descriptions,
                   std::vector<NamedObject<Element>>* items)
{
    for (const Description& description : descriptions) {
        ComPtr<Element> object;
        const HRESULT hr = T::Create(owner, &description, &object);
        if (FAILED(hr)) return hr;
        items->push_back({NameOf(description), std::move(object)});
    }
    return S_OK;
}

}  // namespace nvx::soaptk
