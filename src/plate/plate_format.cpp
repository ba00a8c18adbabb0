#include "plate/plate_format.h"

#include <array>

#include "core/error.h"

namespace vembrel {
namespace {

struct Geometry {
  int rows;
  int columns;
};
constexpr std::array<Geometry, 7> kFormats{
    {{2, 3}, {3, 4}, {4, 6}, {6, 8}, {8, 12}, {16, 24}, {32, 48}}};

}  // namespace

std::optional<PlateFormat> PlateFormat::OfWellCount(int wells) {
  for (const Geometry& format : kFormats) {
    if (format.rows * format.columns == wells) return PlateFormat(format.rows, format.columns);
  }
  return std::nullopt;
}

std::vector<PlateFormat> PlateFormat::All() {
  std::vector<PlateFormat> formats;
  for (const Geometry& format : kFormats)
    formats.push_back(PlateFormat(format.rows, format.columns));
  return formats;
}

PlateFormat PlateFormat::FromWellsPerPlate(int wells) {
  if (const std::optional<PlateFormat> format = OfWellCount(wells)) return *format;
  std::string known;
  for (const Geometry& format : kFormats) {
    known += (known.empty() ? "" : ", ") + std::to_string(format.rows * format.columns);
  }
  throw UsageError("--wells-per-plate " + std::to_string(wells) +
                   " is no plate format; the formats are " + known + " wells");
}

std::optional<PlateFormat> PlateFormat::Holding(WellKey largest) {
  for (const Geometry& format : kFormats) {
    const PlateFormat plate(format.rows, format.columns);
    if (plate.wellCount() >= 96 && plate.holds(largest)) return plate;
  }
  return std::nullopt;
}

std::string PlateFormat::description() const {
  return std::to_string(wellCount()) + "-well plate (" + std::to_string(rows_) + " x " +
         std::to_string(columns_) + ")";
}

std::string RowName(int row) {
  std::string name;
  if (row >= 26) name += static_cast<char>('A' + row / 26 - 1);
  name += static_cast<char>('A' + row % 26);
  return name;
}

std::string WellName(WellKey key) {
  const int column = key.column + 1;
  return RowName(key.row) + (column < 10 ? "0" : "") + std::to_string(column);
}

std::optional<int> RowOfLetters(std::string_view letters) {
  const auto letter = [](char c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' : c >= 'a' && c <= 'z' ? c - 'a' : -1;
  };
  if (letters.size() == 1 && letter(letters[0]) >= 0) return letter(letters[0]);
  if (letters.size() == 2 && letter(letters[0]) >= 0 && letter(letters[1]) >= 0) {
    return (letter(letters[0]) + 1) * 26 + letter(letters[1]);
  }
  return std::nullopt;
}

std::optional<WellKey> WellKeyIfAny(std::string_view name) {
  if (name.size() != 3 && name.size() != 4) return std::nullopt;
  const std::string_view letters = name.substr(0, name.size() - 2);
  for (char c : letters) {
    if (c < 'A' || c > 'Z') return std::nullopt;
  }
  const char tens = name[name.size() - 2];
  const char ones = name[name.size() - 1];
  if (tens < '0' || tens > '9' || ones < '0' || ones > '9') return std::nullopt;
  const int column = (tens - '0') * 10 + (ones - '0');
  const std::optional<int> row = RowOfLetters(letters);
  if (!row || column < 1) return std::nullopt;
  return WellKey{*row, column - 1};
}

}  // namespace vembrel
