#pragma once
// SoapClient: the toolkit's high-level client. mssoapinit reads a WSDL and
// picks one SOAP port; the port's operations then become methods of the
// object for late binding (IDispatch), beside the members of ISOAPClient.
#include <windows.h>

#include <list>
#include <optional>
#include <span>
#include <string>

#include "base/comframe/dispatch.h"
#include "base/comframe/object.h"
#include "base/common/com_ptr.h"
#include "base/common/variant.h"
#include "mssoap.h"
#include "runtime/soaptk/client/soap_answer.h"
#include "runtime/soaptk/wsdl/wsdl_objects.h"
#include "runtime/soaptk/wsdl/wsdl_source.h"

namespace nvx::soaptk {

class SoapClient : public com::DispatchImpl<ISOAPClient, &LIBID_MSSOAPLib>, public com::ObjectRoot<SoapClient> {
public:
    using PrimaryInterface = ISOAPClient;
    static std::span<const com::InterfaceEntry<SoapClient>> Interfaces();

    virtual ~SoapClient() = default;

    // Reads the WSDL (see ReadWsdl for the locations it takes; the WSML
    // location is not used) and picks the service and the port of those names
    // (exact), or the first ones for a null or empty name. A name that is not
    // there fails with HRESULT_FROM_WIN32(ERROR_NOT_FOUND); any failure leaves
    // the client uninitialised. The port's address becomes the connector's
    // "EndPointURL".
    IFACEMETHODIMP mssoapinit(BSTR wsdl, BSTR service, BSTR port, BSTR wsml) override;
    // The parts of the fault that ended the last call; "" when it ended
    // otherwise. detail is the XML inside the detail element.
    IFACEMETHODIMP get_faultcode(BSTR* code) override;
    IFACEMETHODIMP get_faultstring(BSTR* text) override;
    IFACEMETHODIMP get_faultactor(BSTR* actor) override;
    IFACEMETHODIMP get_detail(BSTR* detail) override;
    // Kept for the caller under any name (matched without regard to case) and
    // handed back. The client honours two: "ConnectorProgID" names the
    // connector class that carries the calls (set before the connector
    // properties: a new connector starts with its own), and "ConnectorFactory"
    // (an IClassFactory) makes the connectors through which mssoapinit fetches
    // the WSDL and what it imports. Reading a name never set is E_INVALIDARG.
    IFACEMETHODIMP get_ClientProperty(BSTR name, VARIANT* value) override;
    IFACEMETHODIMP put_ClientProperty(BSTR name, VARIANT value) override;
    // SOAP headers are not written or read by this client: E_NOTIMPL.
    IFACEMETHODIMP putref_HeaderHandler(IDispatch* handler) override;
    // The properties of the standard HTTP connector that carries every call
    // ("EndPointURL", "Timeout", "ProxyServer", "ProxyPort", "AuthUser",
    // "AuthPassword", "Accept-Encoding", ...), kept across calls and across
    // mssoapinit, which sets "EndPointURL" only. "SoapAction" is set from the
    // operation by every call.
    IFACEMETHODIMP get_ConnectorProperty(BSTR name, VARIANT* value) override;
    IFACEMETHODIMP put_ConnectorProperty(BSTR name, VARIANT value) override;

    // ISOAPClient's members through the type library, then the operations of
    // the initialised port by name without regard to case. An operation's
    // DISPID is kFirstOperationId plus its position in the port; the ids of a
    // port stay valid until the next mssoapinit.
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    // An operation is called as a method (or property get) with its arguments
    // positional, by value or by reference; see CallOperation for results and
    // failures. Other DISPIDs go to the type library.
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;

    static constexpr DISPID kFirstOperationId = 0x00100000;

private:
    struct NamedValue {
        std::wstring name;
        Variant value;
    };

    HRESULT Connector(ComPtr<ISoapConnector>* connector);
    WsdlFetchSettings FetchSettings();
    std::optional<size_t> FindOperation(std::wstring_view name) const;
    const OperationDescription* OperationOf(DISPID id) const;
    NamedValue* FindClientProperty(std::wstring_view name);

    SharedDescription description_;
    const PortDescription* port_ = nullptr;
    ComPtr<ISoapConnector> connector_;
    SoapFault fault_;
    std::list<NamedValue> clientProperties_;
};

}  // namespace nvx::soaptk
