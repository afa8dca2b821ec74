#pragma once
// What a WSDL offers, as the toolkit's WSDL reader describes it: services,
// their ports, the ports' operations and each operation's parts. Built anew
// by every WSDL-driven call and kept by the caller object until the next one.
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "src/facade/named_arguments.h"

namespace nvx::wsdl {

struct PartRecord {
    std::wstring elementName;
    std::wstring typeName;  // the declared type's local name
    VARTYPE variantType = VT_EMPTY;
    long inputSelector = 0;
    ComPtr<ISoapMapper> part;
};

struct PortRecord;

struct OperationRecord {
    std::wstring name;
    const PortRecord* port = nullptr;
    ComPtr<IWSDLOperation> operation;
    std::optional<PartRecord> result;
    std::vector<PartRecord> parameters;  // in WSDL order

    // The caller's named arguments bound to the parameters; see
    // facade::BindNamedArguments.
    HRESULT Bind(const VARIANT& names, const VARIANT& values, facade::ArgumentBlock* block, size_t* failedPart) const;
};

struct ServiceRecord;

struct PortRecord {
    std::wstring name;
    const ServiceRecord* service = nullptr;
    ComPtr<IWSDLPort> port;
    std::map<std::wstring, OperationRecord*> operationsByName;
    std::vector<std::unique_ptr<OperationRecord>> operations;
};

struct ServiceRecord {
    std::wstring name;
    ComPtr<IWSDLService> service;
    std::vector<std::unique_ptr<PortRecord>> ports;
};

using ServiceModel = std::vector<std::unique_ptr<ServiceRecord>>;

// Reads every service of the loaded WSDL reader into `model` (emptied first).
// A port, operation or part enumeration that cannot be had counts as empty.
HRESULT BuildServiceModel(IWSDLReader* reader, ServiceModel* model);

// The first operation of that exact name, walking services and ports in
// WSDL order; null when no port has it.
const OperationRecord* FindOperation(const ServiceModel& model, const std::wstring& name);

}  // namespace nvx::wsdl
