#include "base/common/error_info.h"

#include <cwchar>

#include "base/common/bstr.h"
#include "base/common/com_ptr.h"

namespace nvx {

void SetErrorDescription(REFIID iid, std::wstring_view description, std::wstring_view source) noexcept
{
    try {
        ComPtr<ICreateErrorInfo> creator;
        if (FAILED(CreateErrorInfo(&creator))) return;
        creator->SetGUID(iid);
        const Bstr text(description);
        creator->SetDescription(text.Get());
        if (!source.empty()) creator->SetSource(Bstr(source).Get());
        ComPtr<IErrorInfo> info;
        if (FAILED(creator.As(&info))) return;
        SetErrorInfo(0, info.Get());
    } catch (...) {
        // Out of memory for the text: the status still tells the failure.
    }
}

HRESULT ReportFailure(HRESULT status, REFGUID guid, std::wstring_view description) noexcept
{
    SetErrorDescription(guid, description);
    return status;
}

std::wstring TakeErrorDescription()
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info) return {};
    Bstr description;
    if (FAILED(info->GetDescription(description.Put()))) return {};
    return std::wstring(description.View());
}

std::wstring FailureReason(HRESULT failure)
{
    std::wstring reason = TakeErrorDescription();
    return reason.empty() ? FailureText(failure) : reason;
}

std::wstring FailureText(HRESULT failure)
{
    wchar_t* message = nullptr;
    const DWORD code = HRESULT_FACILITY(failure) == FACILITY_WIN32 ? HRESULT_CODE(failure) : failure;
    const HMODULE winhttp = GetModuleHandleW(L"winhttp.dll");
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                        (winhttp ? FORMAT_MESSAGE_FROM_HMODULE : 0);
    const DWORD length = FormatMessageW(flags, winhttp, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text(message ? message : L"", message ? length : 0);
    LocalFree(message);
    while (!text.empty() &&
           (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    wchar_t number[16];
    std::swprintf(number, std::size(number), L"0x%08lX", static_cast<unsigned long>(failure));
    return text.empty() ? number : text + L" (" + number + L")";
}

}  // namespace nvx
