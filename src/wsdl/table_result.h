#pragma once
// A returned .NET-style data set — a node list whose first node is an XML
// schema declaring the row element and its columns, and whose second holds
// the rows — turned into an array: the column names, then one row per record.
#include <windows.h>
#include <oleauto.h>

namespace nvx::wsdl {

// Fills `table` (empty on entry) from `result`:
//  - no node list, no data node, no column, or a schema that does not parse:
//    stays empty;
//  - columns and no rows: a one-dimensional array of the column names;
//  - otherwise a (rows + 1) x columns array of VARIANTs, row 0 the names.
// Cells are texts; a short row leaves its missing cells empty, a column
// declared without a name is called "Column<n>" (n from 1). Returns the status
// of the final copy into `table` (S_OK when there is nothing to copy).
HRESULT ConvertToTable(IDispatch* result, VARIANT* table);

}  // namespace nvx::wsdl
