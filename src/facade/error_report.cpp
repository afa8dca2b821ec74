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
        ReportError(WideFromAnsi(message), {});
    } catch (...) {
        // An error that cannot be reported leaves the failure status alone.
    }
}

void ReportError(std::wstring_view description, std::wstring_view source)
{
    try {
        ComPtr<ICreateErrorInfo> creator;
        if (FAILED(CreateErrorInfo(&creator))) return;
        creator->SetGUID(IID_IComWebSvc);
        const Bstr text(description);
        creator->SetDescription(text.Get());
        if (!source.empty()) creator->SetSource(Bstr(source).Get());
        ComPtr<IErrorInfo> info;
        if (FAILED(creator.As(&info))) return;
        SetErrorInfo(0, info.Get());
    } catch (...) {
        // An error that cannot be reported leaves the failure status alone.
    }
}

}  // namespace nvx::facade
