#include "src/wsdl/wsdl_cache.h"

#include <cstdio>
#include <string>

#include "base/common/text.h"

namespace nvx::wsdl {
namespace {

constexpr wchar_t kMutexName[] = L"Global\\NvxWebSvc.WsdlCache";
constexpr DWORD kMutexWait = 60000;

}  // namespace

WsdlCacheLock::WsdlCacheLock() : mutex_(CreateMutexW(nullptr, FALSE, kMutexName))
{
    if (!mutex_) return;
    const DWORD waited = WaitForSingleObject(mutex_, kMutexWait);
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

WsdlCacheLock::~WsdlCacheLock()
{
    if (owned_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}

bool WriteCacheFile(std::wstring_view wsdl)
{
    FILE* file = _wfopen(kCacheFile, L"w+");
    if (!file) return false;
    const std::string text = AnsiFromWide(wsdl);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return true;
}

}  // namespace nvx::wsdl
