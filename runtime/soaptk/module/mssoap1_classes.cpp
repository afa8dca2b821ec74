// The object map of mssoap1.dll: the serializer, the reader, the standard
// HTTP connector, the WSDL reader and the SOAP client.
#include "base/comframe/module.h"
#include "base/comframe/object.h"
#include "mssoap.h"
#include "runtime/soaptk/client/soap_client.h"
#include "runtime/soaptk/connector/standard_http_connector.h"
#include "runtime/soaptk/module/resource_ids.h"
#include "runtime/soaptk/reader/soap_reader.h"
#include "runtime/soaptk/serializer/soap_serializer.h"
#include "runtime/soaptk/wsdl/wsdl_reader.h"

namespace nvx::com {
namespace {

ClassEntry g_classes[] = {
    {&CLSID_SoapSerializer, IDR_SOAPSERIALIZER, &CreateInstance<soaptk::SoapSerializer>},
    {&CLSID_SoapReader, IDR_SOAPREADER, &CreateInstance<soaptk::SoapReader>},
    {&CLSID_HttpConnector, IDR_HTTPCONNECTOR, &CreateInstance<soaptk::StandardHttpConnector>},
    {&CLSID_WSDLReader, IDR_WSDLREADER, &CreateInstance<soaptk::WSDLReader>},
    {&CLSID_SoapClient, IDR_SOAPCLIENT, &CreateInstance<soaptk::SoapClient>},
};

ServerDescription g_server{&LIBID_MSSOAPLib, g_classes};

}  // namespace

ServerDescription& ThisServer() { return g_server; }

}  // namespace nvx::com
