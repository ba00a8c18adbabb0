#pragma once
// Plate formats as values: rows x columns of the standard plates (6, 12, 24,
// 48, 96, 384 and 1536 wells), and a well's key by row and column. Wells are
// numbered row by row from A01 (index 0); names are the row's letters (A..Z,
// then AA..AF on 1536-well plates) and the column with two digits.
#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vembrel {

/// A well by its row and column, both from 0 (A01 is {0, 0}).
struct WellKey {
  int row = 0;
  int column = 0;
  auto operator<=>(const WellKey&) const = default;
};

class PlateFormat {
 public:
  /// The 96-well plate, 8 x 12.
  constexpr PlateFormat() = default;

  /// The standard format of that many wells; nothing for any other count.
  static std::optional<PlateFormat> OfWellCount(int wells);
  /// The standard formats, from the fewest wells to the most.
  static std::vector<PlateFormat> All();
  /// The format of `--wells-per-plate N`. Throws UsageError naming the value
  /// and the sizes known when N is none of them.
  static PlateFormat FromWellsPerPlate(int wells);
  /// The plate a layout's wells are taken to be on: 96 wells when the
  /// largest row and column seen fit it, else 384, else 1536; nothing when
  /// they fit none.
  static std::optional<PlateFormat> Holding(WellKey largest);

  constexpr int rows() const { return rows_; }
  constexpr int columns() const { return columns_; }
  constexpr int wellCount() const { return rows_ * columns_; }
  constexpr bool holds(WellKey key) const {
    return key.row >= 0 && key.row < rows_ && key.column >= 0 && key.column < columns_;
  }
  /// Row-major index of a well of this plate.
  constexpr int indexOf(WellKey key) const { return key.row * columns_ + key.column; }
  constexpr WellKey keyOf(int index) const { return {index / columns_, index % columns_}; }
  /// "96-well plate (8 x 12)".
  std::string description() const;

  bool operator==(const PlateFormat&) const = default;

 private:
  constexpr PlateFormat(int rows, int columns) : rows_(rows), columns_(columns) {}
  int rows_ = 8;
  int columns_ = 12;
};

/// "A" for row 0, "Z" for 25, "AA" for 26, "AF" for 31.
std::string RowName(int row);
/// "A01", "P24", "AF48".
std::string WellName(WellKey key);
/// The well of a name of one or two row letters and a column of two digits
/// ("A01", "P24", "AF48"; upper case), on any plate; nothing for other text.
std::optional<WellKey> WellKeyIfAny(std::string_view name);
/// The row of one or two letters (either case); nothing for other text.
std::optional<int> RowOfLetters(std::string_view letters);

}  // namespace vembrel
