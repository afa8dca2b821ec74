#include "runtime/soaptk/wsdl/wsdl_objects.h"

#include <string_view>

#include "base/common/com_boundary.h"

namespace nvx::soaptk {
namespace {

HRESULT CopyText(std::wstring_view text, BSTR* out)
{
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CopyNumber(long value, long* out)
{
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

// A new object of class T, handed to `setup` before anyone else sees it.
template <class T, class Interface, class Setup>
HRESULT CreateObject(ComPtr<Interface>* out, Setup&& setup)
{
    return ComBoundary([&] {
        ComPtr<Interface> created(new com::PlainObject<T>());
        setup(static_cast<T*>(created.Get()));
        *out = std::move(created);
        return S_OK;
    });
}

}  // namespace

// ---- SoapMapper ----

std::span<const com::InterfaceEntry<SoapMapper>> SoapMapper::Interfaces()
{
    static const com::InterfaceEntry<SoapMapper> table[] = {{&IID_ISoapMapper, &com::ViewAs<SoapMapper, ISoapMapper>}};
    return table;
}

HRESULT SoapMapper::Create(SharedDescription owner, const PartDescription* part, ComPtr<ISoapMapper>* out)
{
    return CreateObject<SoapMapper>(out, [&](SoapMapper* self) {
        self->owner_ = std::move(owner);
        self->part_ = part;
    });
}

IFACEMETHODIMP SoapMapper::get_partName(BSTR* name) { return CopyText(part_->partName, name); }
IFACEMETHODIMP SoapMapper::get_elementName(BSTR* name) { return CopyText(part_->elementName, name); }
IFACEMETHODIMP SoapMapper::get_elementType(BSTR* type) { return CopyText(part_->typeName, type); }
IFACEMETHODIMP SoapMapper::get_xmlNameSpace(BSTR* uri) { return CopyText(part_->xmlNamespace, uri); }
IFACEMETHODIMP SoapMapper::get_isInput(long* input) { return CopyNumber(part_->input ? 1 : 0, input); }
IFACEMETHODIMP SoapMapper::get_callIndex(long* index) { return CopyNumber(part_->callIndex, index); }
IFACEMETHODIMP SoapMapper::get_parameterOrder(long* order) { return CopyNumber(part_->callIndex, order); }
IFACEMETHODIMP SoapMapper::get_minOccurs(long* minOccurs) { return CopyNumber(part_->minOccurs, minOccurs); }
IFACEMETHODIMP SoapMapper::get_variantType(long* type) { return CopyNumber(part_->variantType, type); }

IFACEMETHODIMP SoapMapper::get_comValue(VARIANT* value)
{
    if (!value) return E_POINTER;
    VariantInit(value);
    return VariantCopy(value, value_.Get());
}

IFACEMETHODIMP SoapMapper::put_comValue(VARIANT value)
{
    Variant copy;
    const HRESULT hr = VariantCopy(copy.Get(), &value);
    if (FAILED(hr)) return hr;
    VariantClear(value_.Get());
    copy.Detach(value_.Get());
    return S_OK;
}

IFACEMETHODIMP SoapMapper::get_isComplex(VARIANT_BOOL* complex)
{
    if (!complex) return E_POINTER;
    *complex = part_->variantType == VT_DISPATCH ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// ---- WSDLOperation ----

std::span<const com::InterfaceEntry<WSDLOperation>> WSDLOperation::Interfaces()
{
    static const com::InterfaceEntry<WSDLOperation> table[] = {
        {&IID_IWSDLOperation, &com::ViewAs<WSDLOperation, IWSDLOperation>}};
    return table;
}

HRESULT WSDLOperation::Create(SharedDescription owner, const OperationDescription* operation,
                              ComPtr<IWSDLOperation>* out)
{
    return CreateObject<WSDLOperation>(out, [&](WSDLOperation* self) {
        self->owner_ = std::move(owner);
        self->operation_ = operation;
    });
}

IFACEMETHODIMP WSDLOperation::get_documentation(BSTR* documentation)
{
    return CopyText(operation_->documentation, documentation);
}
IFACEMETHODIMP WSDLOperation::get_name(BSTR* name) { return CopyText(operation_->name, name); }
IFACEMETHODIMP WSDLOperation::get_soapAction(BSTR* action) { return CopyText(operation_->soapAction, action); }
IFACEMETHODIMP WSDLOperation::get_style(BSTR* style) { return CopyText(operation_->style, style); }
IFACEMETHODIMP WSDLOperation::get_inputNamespace(BSTR* uri) { return CopyText(operation_->inputNamespace, uri); }
IFACEMETHODIMP WSDLOperation::get_inputElement(BSTR* element) { return CopyText(operation_->inputElement, element); }
IFACEMETHODIMP WSDLOperation::get_outputNamespace(BSTR* uri) { return CopyText(operation_->outputNamespace, uri); }
IFACEMETHODIMP WSDLOperation::get_outputElement(BSTR* element) { return CopyText(operation_->outputElement, element); }

IFACEMETHODIMP WSDLOperation::GetOperationParts(IEnumSoapMappers** parts)
{
    return EnumerateChildren<IEnumSoapMappers, ISoapMapper>(
        parts_,
        [&](std::vector<Parts::Item>& items) {
            const HRESULT hr = AddObjects<SoapMapper>(owner_, std::span(operation_->inputs), &items);
            if (FAILED(hr) || !operation_->hasResult) return hr;
            return AddObjects<SoapMapper>(owner_, std::span(&operation_->result, 1), &items);
        },
        parts);
}

// ---- WSDLPort ----

std::span<const com::InterfaceEntry<WSDLPort>> WSDLPort::Interfaces()
{
    static const com::InterfaceEntry<WSDLPort> table[] = {{&IID_IWSDLPort, &com::ViewAs<WSDLPort, IWSDLPort>}};
    return table;
}

HRESULT WSDLPort::Create(SharedDescription owner, const PortDescription* port, ComPtr<IWSDLPort>* out)
{
    return CreateObject<WSDLPort>(out, [&](WSDLPort* self) {
        self->owner_ = std::move(owner);
        self->port_ = port;
    });
}

IFACEMETHODIMP WSDLPort::get_name(BSTR* name) { return CopyText(port_->name, name); }
IFACEMETHODIMP WSDLPort::get_address(BSTR* address) { return CopyText(port_->address, address); }
IFACEMETHODIMP WSDLPort::get_bindStyle(BSTR* style) { return CopyText(port_->bindStyle, style); }
IFACEMETHODIMP WSDLPort::get_transport(BSTR* transport) { return CopyText(port_->transport, transport); }
IFACEMETHODIMP WSDLPort::get_documentation(BSTR* documentation)
{
    return CopyText(port_->documentation, documentation);
}

IFACEMETHODIMP WSDLPort::GetSoapOperations(IEnumWSDLOperations** operations)
{
    return EnumerateChildren<IEnumWSDLOperations, IWSDLOperation>(
        operations_,
        [&](std::vector<Operations::Item>& items) {
            return AddObjects<WSDLOperation>(owner_, std::span(port_->operations), &items);
        },
        operations);
}

// ---- WSDLService ----

std::span<const com::InterfaceEntry<WSDLService>> WSDLService::Interfaces()
{
    static const com::InterfaceEntry<WSDLService> table[] = {
        {&IID_IWSDLService, &com::ViewAs<WSDLService, IWSDLService>}};
    return table;
}

HRESULT WSDLService::Create(SharedDescription owner, const ServiceDescription* service, ComPtr<IWSDLService>* out)
{
    return CreateObject<WSDLService>(out, [&](WSDLService* self) {
        self->owner_ = std::move(owner);
        self->service_ = service;
    });
}

IFACEMETHODIMP WSDLService::get_name(BSTR* name) { return CopyText(service_->name, name); }
IFACEMETHODIMP WSDLService::get_documentation(BSTR* documentation)
{
    return CopyText(service_->documentation, documentation);
}

IFACEMETHODIMP WSDLService::GetSoapPorts(IEnumWSDLPorts** ports)
{
    return EnumerateChildren<IEnumWSDLPorts, IWSDLPort>(
        ports_,
        [&](std::vector<Ports::Item>& items) {
            return AddObjects<WSDLPort>(owner_, std::span(service_->ports), &items);
        },
        ports);
}

}  // namespace nvx::soaptk
