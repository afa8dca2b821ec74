#include "src/facade/error_report.h"

#include <windows.h>

#include <string>

#include "NvxWebSvc.h"
#include "base/common/error_info.h"
#include "base/common/text.h"

namespace nvx::facade {

void ReportError(const char* message, std::wstring_view cause)
{
    try {
        std::wstring description = WideFromAnsi(message);
        if (!cause.empty()) description.append(L": ").append(cause);
        SetErrorDescription(IID_IComWebSvc, description);
    } catch (...) {
        // An error that cannot be reported leaves the failure status alone.
    }
}

void ReportError(std::wstring_view description, std::wstring_view source)
{
    SetErrorDescription(IID_IComWebSvc, description, source);
}

}  // namespace nvx::facade
