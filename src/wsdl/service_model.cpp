#include "src/wsdl/service_model.h"

#include "base/common/bstr.h"

namespace nvx::wsdl {
namespace {

// An enumeration never yields more than this; a longer one is cut off.
constexpr int kMaxEnumerated = 100000;

// Calls `each` for every element of a toolkit enumeration (Next with a count
// of 1 until it returns anything but S_OK or gives nothing).
template <class Enumeration, class Element, class Each>
void ForEach(Enumeration* enumeration, Each each)
{
    if (!enumeration) return;
    for (int i = 0; i < kMaxEnumerated; ++i) {
        ComPtr<Element> element;
        long fetched = 0;
        if (enumeration->Next(1, element.GetAddressOf(), &fetched) != S_OK || !element) return;
        each(element);
    }
}

template <class Object, class Getter>
std::wstring TextOf(Object* object, Getter getter)
{
    Bstr text;
    (object->*getter)(text.Put());
    return std::wstring(text.View());
}

PartRecord ReadPart(const ComPtr<ISoapMapper>& part)
{
    PartRecord record;
    record.elementName = TextOf(part.Get(), &ISoapMapper::get_elementName);
    record.typeName = TextOf(part.Get(), &ISoapMapper::get_elementType);
    long type = VT_EMPTY;
    part->get_variantType(&type);
    record.variantType = static_cast<VARTYPE>(type);
    part->get_isInput(&record.inputSelector);
    record.part = part;
    return record;
}

std::unique_ptr<OperationRecord> ReadOperation(const ComPtr<IWSDLOperation>& operation, const PortRecord* port)
{
    auto record = std::make_unique<OperationRecord>();
    record->name = TextOf(operation.Get(), &IWSDLOperation::get_name);
    record->port = port;
    record->operation = operation;
    ComPtr<IEnumSoapMappers> parts;
    operation->GetOperationParts(parts.GetAddressOf());
    ForEach<IEnumSoapMappers, ISoapMapper>(parts.Get(), [&](const ComPtr<ISoapMapper>& part) {
        PartRecord partRecord = ReadPart(part);
        if (partRecord.inputSelector != 0)
            record->parameters.push_back(std::move(partRecord));
        else
            record->result = std::move(partRecord);
    });
    return record;
}

std::unique_ptr<PortRecord> ReadPort(const ComPtr<IWSDLPort>& port, const ServiceRecord* service)
{
    auto record = std::make_unique<PortRecord>();
    record->name = TextOf(port.Get(), &IWSDLPort::get_name);
    record->service = service;
    record->port = port;
    ComPtr<IEnumWSDLOperations> operations;
    port->GetSoapOperations(operations.GetAddressOf());
    ForEach<IEnumWSDLOperations, IWSDLOperation>(operations.Get(), [&](const ComPtr<IWSDLOperation>& operation) {
        auto operationRecord = ReadOperation(operation, record.get());
        record->operationsByName.emplace(operationRecord->name, operationRecord.get());
        record->operations.push_back(std::move(operationRecord));
    });
    return record;
}

std::unique_ptr<ServiceRecord> ReadService(const ComPtr<IWSDLService>& service)
{
    auto record = std::make_unique<ServiceRecord>();
    record->name = TextOf(service.Get(), &IWSDLService::get_name);
    record->service = service;
    ComPtr<IEnumWSDLPorts> ports;
    service->GetSoapPorts(ports.GetAddressOf());
    ForEach<IEnumWSDLPorts, IWSDLPort>(
        ports.Get(), [&](const ComPtr<IWSDLPort>& port) { record->ports.push_back(ReadPort(port, record.get())); });
    return record;
}

}  // namespace

HRESULT OperationRecord::Bind(const VARIANT& names, const VARIANT& values, facade::ArgumentBlock* block,
                              size_t* failedPart) const
{
    std::vector<facade::ParameterPart> parts;
    for (const auto& parameter : parameters) parts.push_back({parameter.elementName, parameter.variantType});
    return facade::BindNamedArguments(parts, names, values, block, failedPart);
}

HRESULT BuildServiceModel(IWSDLReader* reader, ServiceModel* model)
{
    model->clear();
    ComPtr<IEnumWSDLService> services;
    const HRESULT hr = reader->GetSoapServices(services.GetAddressOf());
    if (FAILED(hr) || !services) return FAILED(hr) ? hr : E_FAIL;
    ForEach<IEnumWSDLService, IWSDLService>(
        services.Get(), [&](const ComPtr<IWSDLService>& service) { model->push_back(ReadService(service)); });
    return S_OK;
}

const OperationRecord* FindOperation(const ServiceModel& model, const std::wstring& name)
{
    for (const auto& service : model) {
        for (const auto& port : service->ports) {
            const auto found = port->operationsByName.find(name);
            if (found != port->operationsByName.end()) return found->second;
        }
    }
    return nullptr;
}

}  // namespace nvx::wsdl
