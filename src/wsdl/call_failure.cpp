#include "src/wsdl/call_failure.h"

#include <windows.h>
#include <oleauto.h>

#include "NvxWebSvc.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"

namespace nvx::wsdl {

void ReportCallFailure(std::wstring_view description, std::wstring_view source)
{
    try {
        ComPtr<ICreateErrorInfo> creator;
        if (FAILED(CreateErrorInfo(&creator))) return;
        creator->SetGUID(IID_IComWebSvc);
        const Bstr text(description);
        const Bstr origin(source);
        creator->SetDescription(text.Get());
        creator->SetSource(origin.Get());
        ComPtr<IErrorInfo> info;
        if (FAILED(creator.As(&info))) return;
        SetErrorInfo(0, info.Get());
    } catch (...) {
        // An error that cannot be reported leaves the failure status alone.
    }
}

}  // namespace nvx::wsdl
