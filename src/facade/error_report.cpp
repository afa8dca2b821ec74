#include "src/facade/error_report.h"

#include <windows.h>
#include <oleauto.h>

#include "NvxWebSvc.h"
#include "base/common/bstr.h"
#include "base/common/com_ptr.h"
#include "base/common/text.h"

namespace nvx::facade {

void ReportError(const char* message)
{
    try {
        ComPtr<ICreateErrorInfo> creator;
        if (FAILED(CreateErrorInfo(&creator))) return;
        creator->SetGUID(IID_IComWebSvc);
        const Bstr description(WideFromAnsi(message));
        creator->SetDescription(description.Get());
        ComPtr<IErrorInfo> info;
        if (FAILED(creator.As(&info))) return;
        SetErrorInfo(0, info.Get());
    } catch (...) {
        // An error that cannot be reported leaves the failure status alone.
    }
}

}  // namespace nvx::facade
