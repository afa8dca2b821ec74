#pragma once
// Owning holder of the EXCEPINFO an IDispatch::Invoke may fill: its three
// strings are freed on every path out of the caller.
#include <windows.h>
#include <oleauto.h>

namespace nvx {

class ExcepInfo {
public:
    ExcepInfo() = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo()
    {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }

    EXCEPINFO* Get() { return &info_; }
    EXCEPINFO* operator->() { return &info_; }

private:
    EXCEPINFO info_{};
};

}  // namespace nvx
