// The spreadsheet hand-over on arbitrary summary files: the file is read back
// and split at its line ends and TABs, the cells must join back to the lines,
// and the workbook is either written whole or refused with vembrel::Error.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/error.h"
#include "core/text_file.h"
#include "fuzz_support.h"
#include "results/spreadsheet.h"

namespace {

std::string Joined(const vembrel::CellRow& row) {
  std::string line;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (i > 0) line += '\t';
    line += row[i];
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string summary = vembrel::fuzz::WriteInputFile(data, size, ".txt");
  const std::string workbook = summary + ".xlsx";
  std::vector<vembrel::CellRow> rows;
  try {
    rows = vembrel::ReadCellRows(summary);
  } catch (const vembrel::Error&) {
    std::abort();  // a readable file must always split
  }
  const std::vector<std::string> lines =
      vembrel::SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
  if (rows.size() != lines.size()) std::abort();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    // Every cell but the last ends at a TAB; a final TAB of the line is optional.
    const std::string joined = Joined(rows[i]);
    if (joined != lines[i] && joined != lines[i] + "\t") std::abort();
    if (!lines[i].empty() && !rows[i].back().empty()) std::abort();
  }
  std::filesystem::remove(workbook);
  try {
    vembrel::WorkbookFromSummary(summary, workbook);
    if (!std::filesystem::exists(workbook)) std::abort();
  } catch (const vembrel::Error&) {
    if (std::filesystem::exists(workbook)) std::abort();  // refused: nothing half-written
  }
  if (std::filesystem::exists(workbook + ".part")) std::abort();
  return 0;
}
