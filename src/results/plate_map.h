#pragma once
// A plate map: what each well of the plate holds (its role, compound,
// concentration, unit, condition and any further variables), read from a
// comma-separated file in one of two forms.
//
// Plate-shaped: one block per variable, blocks separated by a blank line.
// A block is the plate's shape: its first row is the variable's name followed
// by the column numbers (1..12 on a 96-well plate); the next rows start with
// the row letters in order (A..H). The first block's rows and columns name
// the plate's format; every block has them. An empty cell sets nothing.
//
// Tidy: a header row starting with "well", then one row per well ("A01",
// "A1", "P24", "AF48") with one column per variable.
//
// Both forms of the same map read into the same MappedPlate.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plate/plate_format.h"

namespace vembrel {

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
  /// The plate described: the blocks' rows x columns; for the tidy form the
  /// plate of 96, 384 or 1536 wells that holds every well named (MapOnPlate
  /// puts it on any plate holding them).
  PlateFormat format;
  /// Variables beyond role, compound, concentration, unit and condition, in
  /// the order the file names them.
  std::vector<std::string> otherVariables;
  /// One per well of the format, in plate order.
  std::vector<MappedWell> wells =
      std::vector<MappedWell>(static_cast<std::size_t>(PlateFormat().wellCount()));

  bool hasControls() const;
};

/// The reserved variables in the order of the tables' columns.
inline constexpr std::array<const char*, 5> kReservedMapVariables = {
    "role", "compound", "concentration", "unit", "condition"};

/// Reads the map from the text of a file named fileName (for messages).
/// Throws UsageError naming the file, the line and the value for a well
/// named twice, a well of no plate format, a role outside the list, a
/// concentration that is no positive number, a block whose rows and columns
/// are no plate format or not the first block's, a variable named twice, and
/// a map that sets nothing.
MappedPlate ParsePlateMap(std::string_view text, const std::string& fileName);

/// ParsePlateMap of a file, with its fingerprint. Throws UsageError when
/// the file cannot be read.
MappedPlate ReadPlateMap(const std::string& path);

/// The map on a plate of the format, its wells indexed as the plate's: a
/// plate-shaped map describes exactly one format; a tidy map fits every plate
/// holding the wells it names. Throws UsageError naming both the map's plate
/// and the plate otherwise.
MappedPlate MapOnPlate(MappedPlate map, const PlateFormat& plate);

/// The included wells of the plate that the map (on the plate) leaves out,
/// in plate order.
std::vector<int> UnmappedWells(const MappedPlate& map, const Plate& plate);

/// The one note naming those wells ("" when the map covers every included well).
std::string UnmappedWellsNote(const MappedPlate& map, const Plate& plate);

}  // namespace vembrel
