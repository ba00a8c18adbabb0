#pragma once
// The open plate: folder, file-name prefix, measurement date, and the table of
// 96 wells with which field pictures exist and whether each well is included.
#include <array>
#include <string>

namespace vembrel {

enum class QuarterColour { None, Cyan, Blue, Green, Red };

struct WellRecord {
  int index = 0;
  std::string name;
  int state = 0;                           // 0 not included, 1 included, 2 transient batch mark
  std::array<bool, 4> hasBlue{};           // "d0" picture of field 0..3 exists
  std::array<bool, 4> hasGreen{};          // "d1" picture of field 0..3 exists
  std::array<QuarterColour, 4> quarter{};  // plate-map colour of field 0..3
};

struct Plate {
  bool open = false;
  std::string path;            // folder of the chosen picture, with trailing separator
  std::string prefix;          // file-name prefix up to and including the last "_"
  std::string base;            // path + prefix
  double measurementDate = 0;  // creation time of the chosen picture (days since 1899-12-30)
  std::array<WellRecord, 96> wells;

  Plate();  // no plate: names filled, states 0, nothing painted
};

/// Opens the plate of any one of its pictures ("Open Pictures"): derives path,
/// prefix, base and measurement date and scans every well and field.
Plate OpenPlate(const std::string& chosenPicture);

/// Folder part of a file name up to and including its last "/", "\" or ":".
std::string PlatePathOf(const std::string& fileName);
/// File name without folder, last 4 characters dropped, cut after the last "_" ("" without one).
std::string PlatePrefixOf(const std::string& fileName);
/// Birth time of the file (statx) or else its modification time, as a local
/// date-time; 0 when the file cannot be looked up.
double MeasurementDateOf(const std::string& fileName);
/// The parent folder of the picture folder: path without its last character,
/// shortened until it ends with a separator ("" when none is left).
std::string ResultsFolderOf(const std::string& platePath);

/// base + well name + "f0" + field + ("d1.tif" when green else "d0.tif").
std::string FieldFileName(const std::string& plateBase, int well, int field, bool green);
/// The four field files of one channel of a well, in field order.
std::array<std::string, 4> ChannelFieldFiles(const std::string& plateBase, int well, bool green);

enum class RightClickResult { Excluded, Included, Unchanged };
/// The right-click rule of the plate map: an included well is excluded (all
/// quarters red); a well with all four quarters red is included again (cyan);
/// anything else is unchanged. The caller closes the well's window on Excluded.
RightClickResult ToggleWellInclusion(Plate& plate, int well);

}  // namespace vembrel
