#include "results/spreadsheet.h"

#include <xlsxwriter.h>

#include "core/error.h"
#include "core/replacement_file.h"
#include "core/text_file.h"

namespace vembrel {
namespace {

constexpr lxw_row_t kMaxRows = 1048576;
constexpr lxw_col_t kMaxColumns = 16384;

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t extra = lead < 0x80             ? 0
                              : (lead & 0xE0) == 0xC0 ? 1
                              : (lead & 0xF0) == 0xE0 ? 2
                              : (lead & 0xF8) == 0xF0 ? 3
                                                      : 4;
    if (extra == 4 || i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// The summary file is 8-bit text; the workbook wants UTF-8.
std::string AsUtf8(const std::string& text) {
  if (IsUtf8(text)) return text;
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

[[noreturn]] void Fail(const std::string& path, lxw_error error) {
  throw Error("Unable to write workbook '" + path + "': " + lxw_strerror(error));
}

}  // namespace

CellRow SplitCells(std::string_view line) {
  CellRow row{""};
  std::string_view rest = line;
  while (!rest.empty()) {
    const std::size_t tab = rest.find('\t');
    if (tab == std::string_view::npos) {
      row.back() = rest;
      rest = {};
    } else {
      row.back() = rest.substr(0, tab);
      rest = rest.substr(tab + 1);
    }
    row.emplace_back();
  }
  return row;
}

std::vector<CellRow> ReadCellRows(const std::string& path) {
  std::vector<CellRow> rows;
  for (const std::string& line : SplitLines(ReadWholeFile(path))) rows.push_back(SplitCells(line));
  return rows;
}

std::string WorkbookFileName(const std::string& resultsFolder, const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel.xlsx";
}

void WriteWorkbook(const std::string& path, const std::vector<CellRow>& rows) {
  if (rows.size() > kMaxRows) {
    throw Error("Unable to write workbook '" + path + "': " + std::to_string(rows.size()) +
                " rows do not fit on a sheet");
  }
  // The library writes to a file name: a named temporary beside the target.
  ReplacementFile file(path, Durability::Synced, ReplacementFile::Kind::Named);
  lxw_workbook* workbook = workbook_new(file.temporaryPath().c_str());
  if (workbook == nullptr) Fail(path, LXW_ERROR_MEMORY_MALLOC_FAILED);
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Migration");
  lxw_error error = sheet == nullptr ? LXW_ERROR_MEMORY_MALLOC_FAILED : LXW_NO_ERROR;
  for (std::size_t r = 0; r < rows.size() && error == LXW_NO_ERROR; ++r) {
    if (rows[r].size() > kMaxColumns) {
      workbook_close(workbook);
      throw Error("Unable to write workbook '" + path + "': line " + std::to_string(r + 1) +
                  " has more cells than a sheet holds");
    }
    for (std::size_t c = 0; c < rows[r].size() && error == LXW_NO_ERROR; ++c) {
      if (rows[r][c].empty()) continue;
      error = worksheet_write_string(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                     AsUtf8(rows[r][c]).c_str(), nullptr);
    }
  }
  // workbook_close also frees the workbook, so it runs whatever happened above.
  const lxw_error closed = workbook_close(workbook);
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR) Fail(path, error);
  file.commit();
}

void CVS2Exel(const std::string& summaryFile, const std::string& workbookFile) {
  WriteWorkbook(workbookFile, ReadCellRows(summaryFile));
}

}  // namespace vembrel
