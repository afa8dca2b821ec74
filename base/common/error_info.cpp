#include "base/common/error_info.h"

#include <oleauto.h>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"

namespace nvx {

HRESULT ReportFailure(HRESULT status, REFGUID guid, std::wstring_view description) noexcept
{
    try {
        ComPtr<ICreateErrorInfo> creator;
        if (FAILED(CreateErrorInfo(&creator))) return status;
        creator->SetGUID(guid);
        const Bstr text(description);
        creator->SetDescription(text.Get());
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(creator.As(&info))) SetErrorInfo(0, info.Get());
    } catch (...) {
        // Out of memory for the text: the status still tells the failure.
    }
    return status;
}

}  // namespace nvx
