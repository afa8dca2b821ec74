#pragma once
// StandardHttpConnector: the toolkit's standard connector. It carries one SOAP request
// to its endpoint over HTTP (WinHTTP) and holds the answer for the reader.
#include <windows.h>

#include <optional>
#include <span>

#include "base/comframe/dispatch.h"
#include "base/comframe/object.h"
#include "base/common/com_ptr.h"
#include "mssoap.h"
#include "runtime/soaptk/connector/connector_properties.h"
#include "runtime/soaptk/connector/winhttp_session.h"

namespace nvx::soaptk {

class StandardHttpConnector : public com::DispatchImpl<ISoapConnector, &LIBID_MSSOAPLib>,
                              public ISupportErrorInfo,
                              public com::ObjectRoot<StandardHttpConnector> {
public:
    using PrimaryInterface = ISoapConnector;
    static std::span<const com::InterfaceEntry<StandardHttpConnector>> Interfaces();

    virtual ~StandardHttpConnector() = default;

    IFACEMETHODIMP get_InputStream(IStream** stream) override;
    IFACEMETHODIMP get_OutputStream(IStream** stream) override;
    IFACEMETHODIMP get_Property(BSTR name, VARIANT* value) override;
    IFACEMETHODIMP put_Property(BSTR name, VARIANT value) override;
    IFACEMETHODIMP ConnectWSDL(IWSDLPort* port) override;
    IFACEMETHODIMP Connect() override;
    IFACEMETHODIMP BeginMessageWSDL(IWSDLOperation* operation) override;
    IFACEMETHODIMP EndMessage() override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP BeginMessage() override;

    // ISupportErrorInfo
    IFACEMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

private:
    // A new empty request stream and an empty answer.
    HRESULT StartMessage();
    HRESULT Exchange(std::string_view body, HttpAnswer* answer);
    std::wstring RequestHeaders() const;
    std::optional<Credentials> RequestCredentials() const;

    ConnectorProperties properties_;
    ComPtr<IStream> input_;
    ComPtr<IStream> output_;
};

}  // namespace nvx::soaptk
