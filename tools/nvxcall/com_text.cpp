#include "tools/nvxcall/com_text.h"

#include <cstdio>

namespace nvxcall {

std::wstring Wide(std::string_view utf8)
{
    if (utf8.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Utf8(std::wstring_view wide)
{
    if (wide.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

Bstr::Bstr(std::string_view utf8)
{
    const std::wstring wide = Wide(utf8);
    value_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string TextOf(const VARIANT& value)
{
    if (V_VT(&value) == VT_BSTR) return V_BSTR(&value) ? Utf8({V_BSTR(&value), SysStringLen(V_BSTR(&value))}) : "";
    Variant text;
    if (FAILED(VariantChangeTypeEx(text.Get(), const_cast<VARIANT*>(&value), LOCALE_INVARIANT, VARIANT_ALPHABOOL,
                                   VT_BSTR)))
        return "(a value of type " + std::to_string(V_VT(&value)) + ")";
    return TextOf(text.Ref());
}

std::string ErrorDescription(HRESULT status)
{
    IErrorInfo* info = nullptr;
    std::string description;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        Bstr text;
        if (SUCCEEDED(info->GetDescription(text.Out()))) description = text.Utf8Text();
        info->Release();
    }
    if (description.empty()) {
        wchar_t* system = nullptr;
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
        if (length) description = Utf8({system, length});
        LocalFree(system);
        while (!description.empty() && (description.back() == '\n' || description.back() == '\r'))
            description.pop_back();
    }
    // The toolkit's SOAP client reports a fault or a failed exchange this way,
    // and its text may not travel with the status.
    if (description.empty() && status == DISP_E_EXCEPTION)
        description = "the service answered with a fault, or the call failed (nvxcall --execute shows the answer)";
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    return description.empty() ? std::string("error ") + code : description + " (" + code + ")";
}

}  // namespace nvxcall
