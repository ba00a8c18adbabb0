#include "results/spreadsheet.h"

#include <xlsxwriter.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <variant>

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

// libxlsxwriter prints each failure on the C stream stderr besides returning
// it. While a workbook is made that stream is a buffer of ours instead, so the
// failure reaches the user once, through the Error thrown here, which takes
// the system's reason from the library's words. One workbook at a time: the
// stream is the process's.
class LibraryMessages {
 public:
  LibraryMessages() : lock_(Mutex()) {
    buffer_ = open_memstream(&text_, &size_);
    if (buffer_ == nullptr) return;  // the library's lines go where they always went
    earlier_ = stderr;
    stderr = buffer_;
  }
  ~LibraryMessages() {
    release();
    std::free(text_);
  }
  LibraryMessages(const LibraryMessages&) = delete;
  LibraryMessages& operator=(const LibraryMessages&) = delete;

  /// What the library said the system's error was ("No space left on
  /// device"), "" when it named none.
  std::string systemError() {
    release();
    const std::string_view text(text_ != nullptr ? text_ : "", size_);
    const std::string_view marker = "System error = ";
    const std::size_t at = text.find(marker);
    if (at == std::string_view::npos) return "";
    const std::string_view reason = text.substr(at + marker.size());
    return std::string(reason.substr(0, reason.find('\n')));
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  void release() {
    if (buffer_ == nullptr) return;
    stderr = earlier_;
    std::fclose(buffer_);
    buffer_ = nullptr;
  }

  std::lock_guard<std::mutex> lock_;
  char* text_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* buffer_ = nullptr;
  std::FILE* earlier_ = nullptr;
};

[[noreturn]] void Fail(const std::string& path, lxw_error error, LibraryMessages& messages) {
  const std::string reason = messages.systemError();
  throw Error("Unable to write workbook '" + path + "': " + lxw_strerror(error) +
              (reason.empty() ? "" : " (" + reason + ")"));
}

// Digits of a decimal integer without leading zeros; how many, 0 when none.
std::size_t IntegerDigits(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
  if (n > 1 && text[0] == '0') return 0;
  return n;
}

lxw_error WriteValue(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column,
                     const TableValue& value) {
  struct Visitor {
    lxw_worksheet* sheet;
    lxw_row_t row;
    lxw_col_t column;
    lxw_error operator()(std::monostate) const { return LXW_NO_ERROR; }
    lxw_error operator()(std::int64_t n) const {
      return worksheet_write_number(sheet, row, column, static_cast<double>(n), nullptr);
    }
    lxw_error operator()(double d) const {
      return worksheet_write_number(sheet, row, column, d, nullptr);
    }
    lxw_error operator()(bool b) const {
      return worksheet_write_boolean(sheet, row, column, b ? 1 : 0, nullptr);
    }
    lxw_error operator()(const std::string& text) const {
      return worksheet_write_string(sheet, row, column, AsUtf8(text).c_str(), nullptr);
    }
  };
  return std::visit(Visitor{sheet, row, column}, value);
}

lxw_error WriteTable(lxw_workbook* workbook, const WorkbookSheet& extra) {
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, extra.name.c_str());
  if (sheet == nullptr) return LXW_ERROR_MEMORY_MALLOC_FAILED;
  const Table& table = *extra.table;
  lxw_error error = LXW_NO_ERROR;
  for (std::size_t c = 0; c < table.columns.size() && error == LXW_NO_ERROR; ++c) {
    error = WriteValue(sheet, 0, static_cast<lxw_col_t>(c), table.columns[c]);
  }
  for (std::size_t r = 0; r < table.rows.size() && error == LXW_NO_ERROR; ++r) {
    const auto& row = table.rows[r];
    for (std::size_t c = 0; c < row.size() && error == LXW_NO_ERROR; ++c) {
      error = WriteValue(sheet, static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(c), row[c]);
    }
  }
  return error;
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

std::optional<double> SummaryNumber(std::string_view text) {
  std::string_view rest = text;
  if (!rest.empty() && rest.front() == '-') rest.remove_prefix(1);
  const std::size_t whole = IntegerDigits(rest);
  if (whole == 0) return std::nullopt;
  std::size_t decimals = 0;
  if (whole < rest.size()) {
    if (rest[whole] != ',') return std::nullopt;
    const std::string_view after = rest.substr(whole + 1);
    while (decimals < after.size() && after[decimals] >= '0' && after[decimals] <= '9') ++decimals;
    if (decimals == 0 || decimals != after.size()) return std::nullopt;
  }
  // Up to 15 significant digits a double holds exactly as written.
  if (whole + decimals > 15) return std::nullopt;
  std::string dotted(text);
  if (const std::size_t comma = dotted.find(','); comma != std::string::npos) dotted[comma] = '.';
  double value = 0;
  std::from_chars(dotted.data(), dotted.data() + dotted.size(), value);
  return value;
}

std::string WorkbookFileName(const std::string& resultsFolder, const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel.xlsx";
}

void WriteWorkbook(const std::string& path, const std::vector<CellLine>& rows,
                   const WorkbookExtras& extras) {
  if (rows.size() > kMaxRows) {
    throw Error("Unable to write workbook '" + path + "': " + std::to_string(rows.size()) +
                " rows do not fit on a sheet");
  }
  // The library writes to a file name: a named temporary beside the target.
  ReplacementFile file(path, Durability::Synced, ReplacementFile::Kind::Named);
  LibraryMessages messages;
  lxw_workbook* workbook = workbook_new(file.temporaryPath().c_str());
  if (workbook == nullptr) Fail(path, LXW_ERROR_MEMORY_MALLOC_FAILED, messages);
  lxw_doc_properties properties{};
  if (extras.created) {
    properties.created = *extras.created;
    workbook_set_properties(workbook, &properties);
  }
  lxw_worksheet* sheet =
      extras.summarySheet ? workbook_add_worksheet(workbook, "Migration") : nullptr;
  lxw_error error =
      extras.summarySheet && sheet == nullptr ? LXW_ERROR_MEMORY_MALLOC_FAILED : LXW_NO_ERROR;
  for (std::size_t r = 0; r < rows.size() && extras.summarySheet && error == LXW_NO_ERROR; ++r) {
    if (rows[r].size() > kMaxColumns) {
      workbook_close(workbook);
      throw Error("Unable to write workbook '" + path + "': line " + std::to_string(r + 1) +
                  " has more cells than a sheet holds");
    }
    for (std::size_t c = 0; c < rows[r].size() && error == LXW_NO_ERROR; ++c) {
      const TableValue& value = rows[r][c];
      const auto* text = std::get_if<std::string>(&value);
      if (text != nullptr && text->empty()) continue;
      error = WriteValue(sheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), value);
    }
  }
  for (std::size_t k = 0; k < extras.sheets.size() && error == LXW_NO_ERROR; ++k) {
    error = WriteTable(workbook, extras.sheets[k]);
  }
  // workbook_close also frees the workbook, so it runs whatever happened above.
  const lxw_error closed = workbook_close(workbook);
  if (error == LXW_NO_ERROR) error = closed;
  if (error != LXW_NO_ERROR) Fail(path, error, messages);
  file.commit();
}

void WorkbookFromSummary(const std::string& summaryFile, const std::string& workbookFile) {
  std::vector<CellLine> lines;
  for (const CellRow& row : ReadCellRows(summaryFile)) {
    CellLine& line = lines.emplace_back();
    for (const std::string& cell : row) {
      const std::optional<double> number = SummaryNumber(cell);
      line.push_back(number ? TableValue(*number) : TableValue(cell));
    }
  }
  WriteWorkbook(workbookFile, lines);
}

}  // namespace vembrel
