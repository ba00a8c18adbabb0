#pragma once
// The open plate: folder, file-name prefix, measurement date, the layout of
// its file names, its format, and the table of its wells with their field
// pictures and whether each well is included.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plate/pixel_size.h"
#include "plate/plate_format.h"
#include "plate/plate_layout.h"

namespace vembrel {

enum class QuarterColour { None, Cyan, Blue, Green, Red };

struct WellRecord {
  int index = 0;
  std::string name;
  int state = 0;                           // 0 not included, 1 included, 2 transient batch mark
  std::array<bool, 4> hasBlue{};           // a nuclear-stain picture of field 0..3 exists
  std::array<bool, 4> hasGreen{};          // a cell-stain picture of field 0..3 exists
  std::array<QuarterColour, 4> quarter{};  // plate-map colour of field 0..3
  std::array<std::string, 4> blueFiles;    // nuclear-stain picture of field 0..3, "" where none
  std::array<std::string, 4> greenFiles;   // cell-stain picture of field 0..3, "" where none
  /// Where each field of the nuclear and the cell stain is read, as the
  /// layout yields them (WellFieldSources fills in the missing ones).
  std::vector<FieldSource> sources;
};

/// How a plate is opened; everything is detected when nothing is given.
struct PlateOpenOptions {
  std::optional<std::string> layout;  // a layout's name or a user pattern (LayoutFromOption)
  std::optional<std::array<int, 2>> channels;  // the layout's nuclear and cell channel numbers
  int plane = 1;                               // focal plane read where the names carry one
  /// Time point read where the plate holds a time series; 0 reads the first.
  int timePoint = 0;
  /// Fields per well: 4 in the 2 x 2 order, or 1 picture of the whole well;
  /// 0 detects them (four unless the files say otherwise).
  int fieldsPerWell = 0;
  /// Bits of the 16-bit samples that carry the picture (8, 10, 12, 14 or 16);
  /// 0 detects them from the first included well's fields.
  int inputBits = 0;
  /// Micrometres per pixel of the field pictures, above anything their
  /// metadata says; none: read from the metadata where there is one.
  std::optional<double> pixelSize;
  /// The plate's format (--wells-per-plate); none: detected from the wells
  /// the names give (see PlateFormat::Holding).
  std::optional<PlateFormat> format;
};

struct Plate {
  bool open = false;
  std::string path;               // the plate's folder, with trailing separator
  std::string prefix;             // results prefix (the native layout: names up to the well)
  std::string base;               // path + prefix
  double measurementDate = 0;     // creation time of the chosen picture, or of a folder's first
                                  // field picture by name (days since 1899-12-30)
  PlateFormat format;             // rows x columns; 96 wells unless the plate is larger
  std::vector<WellRecord> wells;  // format.wellCount() wells, row by row from A01

  std::string layout = "native";   // the layout's name: native, imagexpress, operetta, pattern
  std::string layoutDescription;   // its rule and the channels read, for the user
  std::vector<std::string> notes;  // missing, ignored or mixed-size fields and the like, once each
  std::array<int, 2> channels{0, 1};  // the layout's numbers of the nuclear and cell channel
  std::string plateName;              // the plate part of the names ("" where they have none)
  int plane = 1;                      // focal plane read
  int timePoint = 1;                  // time point read
  std::vector<int> timePoints{1};     // every time point the plate holds, ascending
  std::string timeStamp;  // the time point's stamp in the names (Incucyte-style); "" for none
  /// Seconds since the acquisition began that the first file's OME-XML
  /// records for the time point read (DeltaT); none where it records none.
  std::optional<double> recordedSeconds;
  int fieldsPerWell = 4;  // 4 in the 2 x 2 order, or 1 picture of the whole well
  FilePages pages;        // what the pages of each file hold
  std::shared_ptr<const PlateLayout> naming;  // names missing fields; null: the native layout
  /// Bits of the 16-bit samples read (8 when the pictures are 8-bit); see PlateOpenOptions.
  int inputBits = 16;
  bool inputBitsDetected = false;  // found in the first included well, not chosen
  /// What the first included well's pictures are ("16-bit grey", "8-bit RGB",
  /// "palette", "1-bit", ...; see InputPictures); "" when bits were chosen.
  std::string pictureKind;
  /// The size of the field pictures' pixels: chosen, or read from the first
  /// included well's metadata; none when neither gives one (measures stay in pixels).
  std::optional<PixelSize> pixelSize;

  /// How the loader takes the plate's 16-bit samples.
  int loaderInputBits() const { return inputBits == 8 && inputBitsDetected ? 16 : inputBits; }

  Plate();  // no plate of 96 wells: names filled, states 0, nothing painted
  /// Empties the table of wells and makes it one of the format's wells.
  void setFormat(const PlateFormat& plateFormat);
};

/// Opens a plate ("Open Pictures") from any one of its pictures or from its
/// folder. The format is the one chosen or the one the names' wells fit;
/// throws UsageError naming the wells seen when they fit none, or a well
/// beyond the chosen format. The layout comes from the options, else from the picture's name,
/// else from the folder's files (the layout most of them fit; of several
/// plates there, the one with most files). Lists the folder once and records
/// every well's field files; fields beyond four, fields missing and fields of
/// mixed sizes within a well are named in notes. Throws Error saying why when
/// no field picture is found: the layouts tried and some of the names seen.
Plate OpenPlate(const std::string& pictureOrFolder, const PlateOpenOptions& options = {});

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
std::string FieldFileName(const std::string& plateBase, int well, int field, bool green,
                          const PlateFormat& format = {});
/// The four field files of one channel of a well (green: the cell stain), in
/// field order. Where the plate has none, the name its layout would give the
/// file, so that loading it names what is missing.
std::array<std::string, 4> ChannelFieldFiles(const Plate& plate, int well, bool green);
/// Where the well's fields are read: the nuclear stain's fields in field
/// order, then the cell stain's (fieldsPerWell of each). Where the plate has
/// none, the file its layout would name, so that loading it names what is missing.
std::vector<FieldSource> WellFieldSources(const Plate& plate, int well);

enum class RightClickResult { Excluded, Included, Unchanged };
/// The right-click rule of the plate map: an included well is excluded (all
/// quarters red); a well with all four quarters red is included again (cyan);
/// anything else is unchanged. The caller closes the well's window on Excluded.
RightClickResult ToggleWellInclusion(Plate& plate, int well);

}  // namespace vembrel
