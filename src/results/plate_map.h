#pragma once
// A plate map: what each well of the plate holds (its role, compound,
// concentration, unit, condition and any further variables), read from a
// comma-separated file in one of two forms.
//
// Plate-shaped: one block per variable, blocks separated by a blank line.
// A block's first row is the variable's name followed by the column numbers
// 1..12; the next eight rows start with the row letters A..H. An empty cell
// sets nothing.
//
// Tidy: a header row starting with "well", then one row per well ("A01" or
// "A1") with one column per variable.
//
// Both forms of the same map read into the same MappedPlate.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vembrel {

/// Plate maps describe 96-well plates (8 x 12).
inline constexpr int kMappedWells = 96;

struct Plate;

enum class WellRole { NegativeControl, PositiveControl, Sample, Empty };

/// negative_control, positive_control, sample, empty.
const char* WellRoleWord(WellRole role);

/// What the map says of one well; all empty for a well it leaves out.
struct MappedWell {
  std::optional<WellRole> role;
  std::string compound;
  std::optional<double> concentration;
  std::string unit;
  /// As given, or made from compound, concentration and unit ("DrugA 10 uM"),
  /// else the role's word; "" when none of them is set.
  std::string condition;
  std::vector<std::string> others;  // one per MappedPlate::otherVariables, "" when not set
  bool mapped = false;              // the map sets at least one variable of the well
};

struct MappedPlate {
  std::string file;         // as given
  std::string fingerprint;  // XXH3-64 of the file's bytes, 16 hex digits
  std::string form;         // "plate" or "tidy"
  /// Variables beyond role, compound, concentration, unit and condition, in
  /// the order the file names them.
  std::vector<std::string> otherVariables;
  std::array<MappedWell, kMappedWells> wells;

  bool hasControls() const;
};

/// The reserved variables in the order of the tables' columns.
inline constexpr std::array<const char*, 5> kReservedMapVariables = {
    "role", "compound", "concentration", "unit", "condition"};

/// Reads the map from the text of a file named fileName (for messages).
/// Throws UsageError naming the file, the line and the value for a well
/// named twice, a well not on a 96-well plate, a role outside the list, a
/// concentration that is no positive number, a block that is not 8 rows by
/// 12 columns, a variable named twice, and a map that sets nothing.
MappedPlate ParsePlateMap(std::string_view text, const std::string& fileName);

/// ParsePlateMap of a file, with its fingerprint. Throws UsageError when
/// the file cannot be read.
MappedPlate ReadPlateMap(const std::string& path);

/// The included wells of the plate that the map leaves out, in plate order.
std::vector<int> UnmappedWells(const MappedPlate& map, const Plate& plate);

/// The one note naming those wells ("" when the map covers every included well).
/// Throws UsageError when the plate is not of 96 wells.
std::string UnmappedWellsNote(const MappedPlate& map, const Plate& plate);

}  // namespace vembrel
