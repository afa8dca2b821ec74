#include "tools/nvxcall/result_printer.h"

#include "tools/nvxcall/com_text.h"
#include "tools/nvxcall/table_format.h"

namespace nvxcall {
namespace {

std::string Cell(SAFEARRAY* array, LONG* indices)
{
    Variant cell;
    if (FAILED(SafeArrayGetElement(array, indices, cell.Get()))) return {};
    return TextOf(cell.Ref());
}

bool Bounds(SAFEARRAY* array, UINT dimension, LONG* lower, LONG* upper)
{
    return SUCCEEDED(SafeArrayGetLBound(array, dimension, lower)) &&
           SUCCEEDED(SafeArrayGetUBound(array, dimension, upper));
}

// Rows are the first dimension, as scripts index table(row, column).
bool TableOf(SAFEARRAY* array, Table* table)
{
    const UINT dimensions = SafeArrayGetDim(array);
    LONG rowLow = 0, rowHigh = 0, columnLow = 0, columnHigh = -1;
    if (dimensions == 1) {
        if (!Bounds(array, 1, &columnLow, &columnHigh)) return false;
        Row header;
        for (LONG c = columnLow; c <= columnHigh; ++c) header.push_back(Cell(array, &c));
        table->push_back(header);
        return true;
    }
    if (dimensions != 2 || !Bounds(array, 1, &rowLow, &rowHigh) || !Bounds(array, 2, &columnLow, &columnHigh))
        return false;
    for (LONG r = rowLow; r <= rowHigh; ++r) {
        Row row;
        for (LONG c = columnLow; c <= columnHigh; ++c) {
            LONG indices[2] = {r, c};
            row.push_back(Cell(array, indices));
        }
        table->push_back(row);
    }
    return true;
}

}  // namespace

bool PrintableResult(const VARIANT& result, bool csv, std::string* text)
{
    if (!(V_VT(&result) & VT_ARRAY)) {
        *text = TextOf(result) + "\n";
        return true;
    }
    if ((V_VT(&result) & VT_TYPEMASK) != VT_VARIANT || !V_ARRAY(&result)) return false;
    Table table;
    if (!TableOf(V_ARRAY(&result), &table)) return false;
    *text = csv ? Csv(table) : AlignedColumns(table);
    return true;
}

}  // namespace nvxcall
