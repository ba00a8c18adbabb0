#pragma once
// A table of typed values, as the analysis-ready files hold them: written as
// comma-separated text (UTF-8, "." decimals, a header row, LF) and as a
// workbook sheet whose numbers are numbers.
#include <string>
#include <vector>

#include "core/table_value.h"

namespace vembrel {

struct Table {
  std::vector<std::string> columns;
  std::vector<std::vector<TableValue>> rows;  // each as long as columns
};

/// The shortest text that reads back as exactly the same double ("0.1",
/// "2.5e-07", "12"); "nan" and "inf" never occur in the tables.
std::string ExactDecimalText(double value);

/// A value as the comma-separated text writes it: "" when empty, true and
/// false, numbers in ExactDecimalText form. Texts are written as
/// OneLineText (valid UTF-8, one line); those with a comma or quote in double
/// quotes, quotes doubled; those beginning with "=", "+", "-" or "@" in
/// double quotes after a single quote ("'=1+1"), so that spreadsheet programs
/// show them instead of running them as formulas.
std::string CsvField(const TableValue& value);

/// The header row and every row, each line ended by LF.
std::string CsvText(const Table& table);

}  // namespace vembrel
