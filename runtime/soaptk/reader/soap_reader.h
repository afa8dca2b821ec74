#pragma once
// SoapReader: loads a SOAP 1.1 or 1.2 message and hands out its parts as
// MSXML elements (a SOAP 1.2 fault's Reason text, Code value, Role and Detail
// stand in for SOAP 1.1's faultstring, faultcode, faultactor and detail).
#include <windows.h>
#include "base/common/msxml.h"

#include <span>

#include "base/comframe/dispatch.h"
#include "base/comframe/object.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "runtime/soaptk/reader/child_elements.h"

namespace nvx::soaptk {

struct FaultPath;

class SoapReader : public com::DispatchImpl<ISoapReader, &LIBID_MSSOAPLib>, public com::ObjectRoot<SoapReader> {
public:
    using PrimaryInterface = ISoapReader;
    static std::span<const com::InterfaceEntry<SoapReader>> Interfaces();

    virtual ~SoapReader() = default;

    IFACEMETHODIMP Load(VARIANT source, BSTR soapAction, VARIANT_BOOL* isSuccessful) override;
    IFACEMETHODIMP LoadXml(BSTR xml, VARIANT_BOOL* isSuccessful) override;
    IFACEMETHODIMP get_DOM(IDispatch** document) override;
    IFACEMETHODIMP get_Envelope(IDispatch** element) override;
    IFACEMETHODIMP get_Body(IDispatch** element) override;
    IFACEMETHODIMP get_Header(IDispatch** element) override;
    IFACEMETHODIMP get_Fault(IDispatch** element) override;
    IFACEMETHODIMP get_FaultString(IDispatch** element) override;
    IFACEMETHODIMP get_FaultCode(IDispatch** element) override;
    IFACEMETHODIMP get_FaultActor(IDispatch** element) override;
    IFACEMETHODIMP get_FaultDetail(IDispatch** element) override;
    IFACEMETHODIMP get_BodyEntries(IDispatch** entries) override;
    IFACEMETHODIMP get_BodyEntry(BSTR localName, BSTR namespaceUri, IDispatch** element) override;
    IFACEMETHODIMP get_RPCStruct(IDispatch** element) override;
    IFACEMETHODIMP get_RPCParameter(BSTR localName, BSTR namespaceUri, IDispatch** element) override;
    IFACEMETHODIMP get_RPCResult(IDispatch** element) override;
    IFACEMETHODIMP get_SoapAction(BSTR* soapAction) override;

private:
    // Takes a parsed document (or none) as the reader's message; true when it
    // is a SOAP envelope.
    bool Accept(ComPtr<IXMLDOMDocument> document);
    ElementName EnvelopePart(std::wstring_view localName) const;
    HRESULT FindFaultPart(const FaultPath& path, ComPtr<IXMLDOMElement>* element) const;
    HRESULT FindBodyChild(const ElementName& name, ComPtr<IXMLDOMElement>* element) const;
    // A child of the first Body entry named `parent`: a part of the fault, or a
    // parameter of the RPC structure.
    HRESULT FindBodyGrandchild(const ElementName& parent, const ElementName& name,
                               ComPtr<IXMLDOMElement>* element) const;
    // Hands out the element that `find` finds, or null.
    template <class Find>
    HRESULT GetElement(IDispatch** out, Find&& find) const;

    ComPtr<IXMLDOMDocument> document_;
    ComPtr<IXMLDOMElement> envelope_;  // null unless the document is SOAP
    const wchar_t* envelopeNamespace_ = nullptr;
    Bstr soapAction_;
};

}  // namespace nvx::soaptk
