#pragma once
// No exception leaves the DLL: each exported function runs its body through
// GuardedCall, which turns a failure to allocate, or anything else, into the
// function's documented failure value.
#include <new>
#include <utility>

namespace nxapi {

template <class Result, class Body>
Result GuardedCall(Result onOutOfMemory, Result onOtherFailure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        return onOutOfMemory;
    } catch (...) {
        return onOtherFailure;
    }
}

template <class Result, class Body>
Result GuardedCall(Result onFailure, Body&& body) noexcept
{
    return GuardedCall(onFailure, onFailure, std::forward<Body>(body));
}

}  // namespace nxapi
