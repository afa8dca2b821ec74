#pragma once
// The one place where C++ exceptions stop: every COM member body runs inside
// ComBoundary, so no exception ever crosses an interface.
#include <windows.h>

#include <new>

namespace nvx {

template <class Body>
HRESULT ComBoundary(Body&& body, HRESULT failure = E_FAIL) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return failure;
    }
}

}  // namespace nvx
