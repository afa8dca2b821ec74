#pragma once
// An AnonymousCall result as text: a table (a two-dimensional array whose
// first row names the columns, or a one-dimensional array of column names
// alone) as aligned columns or CSV, any other value on a line of its own.
#include <windows.h>

#include <string>

namespace nvxcall {

// False when the value is an array of a shape no table has.
bool PrintableResult(const VARIANT& result, bool csv, std::string* text);

}  // namespace nvxcall
