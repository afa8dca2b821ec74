#pragma once
// The fixed file through which a fetched WSDL reaches the toolkit's reader.
#include <windows.h>

#include <string_view>

namespace nvx::wsdl {

inline constexpr wchar_t kCacheFile[] = L"c:\\temp\\mycache.dat";

// Holds the machine-wide mutex that makes "write the cache file, load a reader
// from it" one step for every process; waits at most a minute for it and goes
// on without it after that rather than hang.
class WsdlCacheLock {
public:
    WsdlCacheLock();
    ~WsdlCacheLock();
    WsdlCacheLock(const WsdlCacheLock&) = delete;
    WsdlCacheLock& operator=(const WsdlCacheLock&) = delete;

private:
    HANDLE mutex_;
    bool owned_ = false;
};

// Writes the WSDL text to the cache file in the ANSI code page, text mode
// (every line feed becomes CR LF); false when the file cannot be opened.
bool WriteCacheFile(std::wstring_view wsdl);

}  // namespace nvx::wsdl
