#pragma once
// The spreadsheet hand-over of the summary file: the file read back and split
// into cells at its TABs, and a workbook holding that block as text.
#include <string>
#include <string_view>
#include <vector>

namespace vembrel {

using CellRow = std::vector<std::string>;

/// Cells of one line: "a\tb\t" gives a, b, ""; "" gives ""; "\tX" gives "", X, "".
CellRow SplitCells(std::string_view line);

/// Every line of the file split into cells. Throws Error naming the path.
std::vector<CellRow> ReadCellRows(const std::string& path);

/// results folder + plate prefix + "Vembrel.xlsx".
std::string WorkbookFileName(const std::string& resultsFolder, const std::string& platePrefix);

/// Writes a workbook with one sheet "Migration" holding the rows from A1, every
/// non-empty cell as text (8-bit texts that are no UTF-8 are read as Latin-1).
/// The file replaces path only once complete (core/replacement_file.h).
/// Throws Error naming the path.
void WriteWorkbook(const std::string& path, const std::vector<CellRow>& rows);

/// CVS2Exel: the summary file into its workbook. Throws Error naming the path
/// at fault; the summary file is left as it is.
void CVS2Exel(const std::string& summaryFile, const std::string& workbookFile);

}  // namespace vembrel
