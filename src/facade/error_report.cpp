#include "src/facade/error_report.h"

#include "NvxWebSvc.h"
#include "base/common/error_info.h"
#include "base/common/text.h"

namespace nvx::facade {

void ReportError(const char* message)
{
    try {
        ReportFailure(E_FAIL, IID_IComWebSvc, WideFromAnsi(message));
    } catch (...) {
        // An error that cannot be reported leaves the failure status alone.
    }
}

}  // namespace nvx::facade
