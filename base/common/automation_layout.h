#pragma once
// The layouts that OLE Automation clients and the type library share with this
// code, for the pointer size of the build: a 32-bit client (VBA in 32-bit
// Office) passes 16-byte VARIANTs, a 64-bit one 24-byte ones.
#include <windows.h>
#include <oleauto.h>

#include <cstddef>

namespace nvx::layout {

constexpr size_t kPointer = sizeof(void*);
static_assert(kPointer == 4 || kPointer == 8);

// A VARIANT is its type and three reserved words, then the value: 8 bytes, or
// a record pair (two pointers).
static_assert(offsetof(VARIANT, vt) == 0);
static_assert(offsetof(VARIANT, lVal) == 8 && offsetof(VARIANT, byref) == 8);
static_assert(sizeof(VARIANT) == 8 + 2 * kPointer);

// A DECIMAL fills the first 16 bytes of its VARIANT, its reserved word on the
// type: a VT_DECIMAL argument is passed by pointer to the whole value store.
static_assert(sizeof(DECIMAL) == 16);
static_assert(offsetof(VARIANT, decVal) == 0 && offsetof(DECIMAL, wReserved) == 0);
static_assert(offsetof(DECIMAL, scale) == 2 && offsetof(DECIMAL, Hi32) == 4 && offsetof(DECIMAL, Lo64) == 8);

// The records the type library describes for the stream interface, with the
// sizes and alignments it records.
static_assert(sizeof(LARGE_INTEGER) == 8 && alignof(LARGE_INTEGER) == 8);
static_assert(sizeof(ULARGE_INTEGER) == 8 && alignof(ULARGE_INTEGER) == 8);
static_assert(sizeof(FILETIME) == 8 && alignof(FILETIME) == 4);
static_assert(sizeof(STATSTG) == (kPointer == 4 ? 72 : 80) && alignof(STATSTG) == 8);

}  // namespace nvx::layout
