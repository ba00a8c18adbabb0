#pragma once
// The spreadsheet hand-over of the summary file: a workbook holding the
// summary's lines of values, its numbers as numbers, with further sheets
// holding tables; and, for a summary file given as a file, its text split
// into cells at its TABs and read as numbers and texts.
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/table.h"

namespace vembrel {

using CellRow = std::vector<std::string>;

/// Cells of one line: "a\tb\t" gives a, b, ""; "" gives ""; "\tX" gives "", X, "".
CellRow SplitCells(std::string_view line);

/// Every line of the file split into cells. Throws Error naming the path.
std::vector<CellRow> ReadCellRows(const std::string& path);

/// results folder + plate prefix + "Vembrel.xlsx".
std::string WorkbookFileName(const std::string& resultsFolder, const std::string& platePrefix);

/// The number a summary cell's text stands for: a decimal integer ("-12",
/// "0"; no leading zeros, at most 15 digits) or such an integer with ","
/// and decimals ("12,5"), as the summary file writes numbers. Everything
/// else is text.
std::optional<double> SummaryNumber(std::string_view text);

/// A further sheet of the workbook.
struct WorkbookSheet {
  std::string name;
  const Table* table = nullptr;  // header row, then the rows with their types
};

struct WorkbookExtras {
  std::vector<WorkbookSheet> sheets;  // after "Migration", in this order
  /// The document's creation time; the workbook's bytes then depend on its
  /// content alone. Without it, the current time.
  std::optional<std::time_t> created;
  /// Whether the rows make the sheet "Migration" (off: the extra sheets only).
  bool summarySheet = true;
};

/// Writes a workbook whose sheet "Migration" holds the lines from A1: their
/// numbers as numbers, their texts as texts (8-bit texts that are no UTF-8
/// are read as Latin-1), empty cells and empty texts left out; then the
/// extra sheets. The file replaces path only once complete
/// (core/replacement_file.h). Throws Error naming the path.
void WriteWorkbook(const std::string& path, const std::vector<CellLine>& lines,
                   const WorkbookExtras& extras = {});

/// WorkbookFromSummary: a summary file into its workbook, cells that are
/// SummaryNumber numbers as numbers. Throws Error naming the path at fault;
/// the summary file is left as it is.
void WorkbookFromSummary(const std::string& summaryFile, const std::string& workbookFile);

}  // namespace vembrel
