#include "results/table.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "core/name_text.h"

namespace vembrel {

std::string ExactDecimalText(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : value < 0 ? "-inf" : "inf";
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return std::string(text, end);
}

std::string CsvField(const TableValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return ""; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const { return ExactDecimalText(d); }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(const std::string& value) const {
      const std::string text = OneLineText(value);
      // A text a spreadsheet program would take for a formula is shown as text.
      const bool formulaLike =
          !text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos;
      if (!formulaLike && text.find_first_of(",\"") == std::string::npos) return text;
      std::string quoted = formulaLike ? "\"'" : "\"";
      for (const char ch : text) {
        if (ch == '"') quoted += '"';
        quoted += ch;
      }
      return quoted + "\"";
    }
  };
  return std::visit(Visitor{}, value);
}

std::string CsvText(const Table& table) {
  std::string text;
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    if (c > 0) text += ',';
    text += CsvField(table.columns[c]);
  }
  text += '\n';
  for (const auto& row : table.rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) text += ',';
      text += CsvField(row[c]);
    }
    text += '\n';
  }
  return text;
}

}  // namespace vembrel
