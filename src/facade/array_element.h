#pragma once
// One element of a caller's SAFEARRAY, read into a VARIANT of the element's
// own type. Each type is read into storage of its own size: a DECIMAL takes 16
// bytes and a VARIANT 16 or 24, more than the 8 of a VARIANT's value field.
#include <windows.h>
#include <oleauto.h>

#include "base/common/variant.h"

namespace nvx::facade {

// The array held by `value`, directly or through a reference; null for none.
SAFEARRAY* ArrayOf(const VARIANT& value);

// Whether elements of `array`, declared as `elementType`, can be read as
// values: numbers, currency, dates, booleans, strings and VARIANTs, in an
// array whose element size is that of the type. Records, interfaces and
// types unknown here cannot.
bool HasReadableElements(SAFEARRAY* array, VARTYPE elementType);

// Element `index` of an array that HasReadableElements accepts.
HRESULT ReadArrayElement(SAFEARRAY* array, VARTYPE elementType, long index, Variant* out);

}  // namespace nvx::facade
