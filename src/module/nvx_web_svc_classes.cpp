// The object map of NvxWebSvc.dll: its four creatable classes.
#include "NvxWebSvc.h"
#include "base/comframe/module.h"
#include "base/comframe/object.h"
#include "base/toolkit/toolkit_library.h"
#include "src/facade/com_web_svc.h"
#include "src/resources/resource_ids.h"
#include "src/transport/nvx_http_connector.h"
#include "src/transport/ublock_stream.h"
#include "src/wsdl/nvx_wsdl_reader.h"

namespace nvx::com {
namespace {

ClassEntry g_classes[] = {
    {&CLSID_ComWebSvc, IDR_COMWEBSVC, &CreateInstance<facade::ComWebSvc>},
    {&CLSID_NvxHTTPConnector, IDR_NVXHTTPCONNECTOR, &CreateInstance<transport::NvxHttpConnector>},
    {&CLSID_NvxWSDLReader, IDR_NVXWSDLREADER, &CreateInstance<wsdl::NvxWsdlReader>},
    {&CLSID_NvxUBlockStream, IDR_NVXUBLOCKSTREAM, &CreateInstance<transport::UBlockStream>},
};

ServerDescription g_server{&LIBID_NVXWEBSVCLib, g_classes, toolkit::kToolkitLibrary};

}  // namespace

ServerDescription& ThisServer() { return g_server; }

}  // namespace nvx::com
