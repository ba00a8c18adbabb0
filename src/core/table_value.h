#pragma once
// A value of a table or of a line of cells, kept as the value it is, so that
// each file writes it in its own form: comma-separated text, a workbook's
// number or text, a TAB-separated line.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace vembrel {

/// Empty (no value), an integer, a decimal, a flag or a text.
using TableValue = std::variant<std::monostate, std::int64_t, double, bool, std::string>;

/// A line of cells, as the summary file holds them between TABs.
using CellLine = std::vector<TableValue>;

/// The line as the summary file writes it: its cells joined by TABs, empty
/// cells as nothing, integers in decimal, decimals with a decimal comma
/// ("12,5"), flags as YES or NO, texts as they are.
std::string CellLineText(const CellLine& line);

}  // namespace vembrel
