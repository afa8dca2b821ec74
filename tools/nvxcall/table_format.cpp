#include "tools/nvxcall/table_format.h"

#include <algorithm>

namespace nvxcall {
namespace {

// Characters, counting each UTF-8 sequence once: continuation bytes are
// 10xxxxxx.
size_t DisplayWidth(const std::string& text)
{
    return std::count_if(text.begin(), text.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

// Line breaks inside a cell would break the layout; they are shown as a space.
std::string OneLine(const std::string& text)
{
    std::string line = text;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
    return line;
}

std::vector<size_t> ColumnWidths(const Table& table)
{
    std::vector<size_t> widths;
    for (const auto& row : table) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(OneLine(row[c])));
    }
    return widths;
}

std::string AlignedRow(const Row& row, const std::vector<size_t>& widths)
{
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
        const std::string cell = OneLine(row[c]);
        line += cell;
        if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(cell) + 2, ' ');
    }
    return line + "\n";
}

std::string CsvCell(const std::string& cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (const char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

std::string AlignedColumns(const Table& table)
{
    if (table.empty()) return {};
    const std::vector<size_t> widths = ColumnWidths(table);
    std::string text = AlignedRow(table[0], widths);
    Row rule;
    for (size_t c = 0; c < table[0].size(); ++c) rule.push_back(std::string(widths[c], '-'));
    text += AlignedRow(rule, widths);
    for (size_t r = 1; r < table.size(); ++r) text += AlignedRow(table[r], widths);
    return text;
}

std::string Csv(const Table& table)
{
    std::string text;
    for (const auto& row : table) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c > 0) text += ',';
            text += CsvCell(row[c]);
        }
        text += "\r\n";
    }
    return text;
}

}  // namespace nvxcall
