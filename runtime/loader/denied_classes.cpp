#include "runtime/loader/denied_classes.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "base/common/com_boundary.h"

namespace nvx::loader {
namespace {

struct DeniedClasses {
    std::mutex lock;
    std::vector<CLSID> classes;
};

DeniedClasses& Denied()
{
    static DeniedClasses denied;
    return denied;
}

}  // namespace

bool IsClassDenied(REFCLSID clsid)
{
    DeniedClasses& denied = Denied();
    std::lock_guard<std::mutex> guard(denied.lock);
    return std::any_of(denied.classes.begin(), denied.classes.end(),
                       [&](const CLSID& entry) { return IsEqualCLSID(entry, clsid) != FALSE; });
}

}  // namespace nvx::loader

extern "C" HRESULT WINAPI NxLoaderDenyClassesForTesting(const CLSID* classes, UINT count)
{
    if (count > 0 && !classes) return E_POINTER;
    return nvx::ComBoundary([&] {
        std::vector<CLSID> list(classes, classes + count);
        auto& denied = nvx::loader::Denied();
        std::lock_guard<std::mutex> guard(denied.lock);
        denied.classes.swap(list);
        return S_OK;
    });
}
