#pragma once
// How nvxcall prints a table result: its first row names the columns. Cells
// are UTF-8; portable, so that the layout rules are checked natively.
#include <string>
#include <vector>

namespace nvxcall {

using Row = std::vector<std::string>;
using Table = std::vector<Row>;

// Columns padded to their widest cell (in characters, not bytes), two spaces
// apart, a line of dashes under the header; one line per row.
std::string AlignedColumns(const Table& table);

// RFC 4180: a cell holding a comma, a quote or a line break is quoted, its
// quotes doubled; lines end with CR LF.
std::string Csv(const Table& table);

}  // namespace nvxcall
