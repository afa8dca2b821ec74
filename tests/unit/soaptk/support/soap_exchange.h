#pragma once
// One SOAP exchange driven the way the library drives it: connector
// properties, the request written by the serializer into the connector's
// stream, the send, and the answer loaded by the reader.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "base/common/com_ptr.h"
#include "mssoap.h"

namespace nvx::test {

inline constexpr wchar_t kSampleNamespace[] = L"http://www.norvexa.com/webservices/";

class SoapExchange {
public:
    SoapExchange();

    HRESULT Set(const wchar_t* property, const std::wstring& value);
    // The method element in the sample namespace with one text argument
    // element per pair, written into a new message.
    void WriteRequest(const wchar_t* method, const std::vector<std::pair<const wchar_t*, std::wstring>>& arguments);
    // The raw bytes as the request, written into a new message.
    void WriteRaw(const std::string& body);
    HRESULT Send();
    // The answer's bytes as the connector hands them out.
    std::string Answer();
    // Loads the answer into the reader; its success flag.
    bool ReaderAccepts();

    ISoapConnector* Connector() const { return connector_.Get(); }
    ISoapReader* Reader() const { return reader_.Get(); }

private:
    ComPtr<ISoapConnector> connector_;
    ComPtr<ISoapSerializer> serializer_;
    ComPtr<ISoapReader> reader_;
};

}  // namespace nvx::test
