#include "core/table_value.h"

#include <charconv>

namespace vembrel {

std::string CellLineText(const CellLine& line) {
  struct Visitor {
    std::string operator()(std::monostate) const { return ""; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const {
      char text[32];
      const auto [end, error] = std::to_chars(text, text + sizeof text, d);
      std::string written(text, end);
      if (const std::size_t point = written.find('.'); point != std::string::npos) {
        written[point] = ',';
      }
      return written;
    }
    std::string operator()(bool b) const { return b ? "YES" : "NO"; }
    std::string operator()(const std::string& text) const { return text; }
  };
  std::string text;
  for (std::size_t c = 0; c < line.size(); ++c) {
    if (c > 0) text += '\t';
    text += std::visit(Visitor{}, line[c]);
  }
  return text;
}

}  // namespace vembrel
