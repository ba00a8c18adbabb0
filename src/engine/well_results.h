#pragma once
// The results of one well's analysis as values: what the summary file, the
// tables, `vembrel well --json` and the faces show. Display text is made from
// these by whoever shows them; nothing parses text back.
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/cell_shape.h"
#include "imaging/field_loader.h"
#include "imaging/mosaic_geometry.h"
#include "plate/well_names.h"

namespace vembrel {

/// The nucleus cut-offs chosen for a well from its own pictures.
struct WellCutoffs {
  int blue = 0;
  int green = 0;
  bool operator==(const WellCutoffs&) const = default;
};

/// One ring of the density profile outside the cell-free zone.
struct DensityBin {
  std::int32_t nuclei = 0;  // accepted nuclei whose distance falls into the ring
  std::int32_t area = 0;    // sample points of the ring inside the mosaic
  bool operator==(const DensityBin&) const = default;
};

/// One immigrant nucleus, as the nuclei table shows it.
struct NucleusMeasures {
  int x = 0;              // column of its first pixel in scan order
  int y = 0;              // row of that pixel counted from the bottom, as the ring's centre
  std::int64_t size = 0;  // pixels
  double distance = 0;    // how far it migrated: ring radius - distance from the ring's centre
  bool operator==(const NucleusMeasures&) const = default;
};

/// One field picture the well was loaded from, as it was read.
struct InputPicture {
  std::string file;
  bool cellStain = false;  // the cell stain (green), else the nuclear stain (blue)
  int field = 0;           // 0..3, in file order; 0 for a picture of the whole well
  /// Size and hash of the bytes read; none when the file could not be read
  /// (missing, no permission, no regular file).
  std::optional<FileFingerprint> fingerprint;
  int page = 0;  // the file's page the field was read from, from 0
  bool operator==(const InputPicture&) const = default;
};

/// One kept cell, as the tables and the cell data file show it.
struct CellMeasures {
  double x = 0;               // centroid column in the mosaic
  double y = 0;               // centroid row counted from the bottom, as the ring's centre
  int size = 0;               // pixels
  int width = 0, height = 0;  // bounding box
  int circumference = 0;      // background pixels touching the cell
  double length = 0;          // longest chord through the centroid
  double ratio = 0;           // elongation: length^2 / size
  double correlation = 0;     // smoothness: quality of the outline's polynomial fit
  CellClass shapeClass = CellClass::RoundRough;
  std::optional<double> angle;  // degrees between long axis and ring centre (oval cells)
  int nucleusSize = 0;
  bool operator==(const CellMeasures&) const = default;
};

/// What the cell level found.
struct CellResults {
  int kept = 0;                     // cells kept
  int seeds = 0;                    // immigrant nuclei the cells were grown from
  std::vector<CellMeasures> cells;  // the kept cells, smallest first
  ShapeStatistics statistics;       // class counts, orientation, medians (zero without cells)
};

/// Notes on a well that a person should look at before trusting its numbers.
enum class QualityNote {
  MissingField,        // a field picture is missing or unreadable: its quarter is black
  DamagedField,        // a field could not be decoded whole
  RingAtSearchLimit,   // the fitted centre lies on the edge of its search area
  RingInBlackQuarter,  // the ring lies mostly in a black (missing) quarter
  NoNuclei,            // no nucleus was found in the whole well
  FewNucleiOutside,    // fewer than 20 nuclei outside the ring
  Saturated,           // more than 1 % of the nuclear channel at its maximum
  NoZone,              // the cell stain shows no clearly cell-free disc
  NucleiTooLarge,      // most of the nuclear stain lies in objects above the maximal size
};

/// "missing_field", "damaged_field", ... as tables and JSON write them.
std::string_view QualityNoteName(QualityNote note);
/// The note of a name; nothing for an unknown name.
std::optional<QualityNote> QualityNoteFromName(std::string_view name);

struct WellResults;
/// A well's quality notes by name, in their order, joined by the separator.
std::string QualityNotesText(const WellResults& well, std::string_view separator);

struct WellResults {
  int well = 0;        // index on the plate, row-major from A01
  PlateFormat format;  // the plate's format, which names the well
  std::string wellName() const { return WellName(well, format); }
  Ring ring;
  int ringIncrement = 50;                   // width of the density rings
  std::int64_t nuclei = 0;                  // immigrant nuclei in the ring
  std::int64_t pixels = 0;                  // nucleus pixels in the ring
  std::int64_t calculatedNuclei = 0;        // pixels / average nucleus size, rounded
  std::int64_t averageDistance = 0;         // mean migration distance from the ring's edge
  std::int64_t totalNuclei = 0;             // accepted nuclei of the whole mosaic
  std::int64_t averageNucleusSize = 0;      // mean immigrant area, rounded; 0 without immigrants
  std::int64_t nucleiOutside = 0;           // accepted nuclei of the mosaic beyond the ring
  bool ringFitted = true;                   // the ring was placed by the fit, not by hand
  bool ringReviewed = false;                // the ring was given (a reviewed ring), not fitted
  bool ringHeld = false;                    // held from the well's first time point (time courses)
  std::optional<double> zoneContrast;       // when the zone's size was fitted: its contrast
  std::optional<double> zoneCoverage;       // when asked for: % of the ring's pixels covered
  std::optional<WellCutoffs> cutoffs;       // chosen for the well; none: the settings' own
  std::vector<NucleusMeasures> immigrants;  // the nuclei counted in the ring, in scan order
  std::vector<DensityBin> density;   // empty when no nucleus lies an increment beyond the ring
  std::vector<QualityNote> quality;  // in the order of QualityNote
  std::vector<FieldProblem> fieldProblems;  // fields missing, damaged or unusable
  std::vector<InputPicture> inputs;         // nuclear stain fields 0..3, then cell stain 0..3
                                            // (one each for a picture of the whole well)
  int reducedFrom = 0;  // side of the large fields reduced to 512 x 512, 0 when none
  /// Micrometres per mosaic pixel: the field pictures' pixel size times the
  /// reduction of large fields; none when the plate's pixel size is unknown.
  std::optional<double> pixelSize;
  std::optional<CellResults> cells;  // at cell level

  /// Outer radius of density ring k (0-based): radius + (k + 1) * increment.
  int densityRadius(int k) const { return ring.radius + (k + 1) * ringIncrement; }
  bool has(QualityNote note) const;
};

/// Measures in pixels as micrometres, given the micrometres per pixel:
/// lengths times the size, areas times its square, densities per pixel as
/// densities per square millimetre.
inline double Micrometres(double pixels, double pixelSize) {
  return pixels * pixelSize;
}
inline double SquareMicrometres(double pixels, double pixelSize) {
  return pixels * (pixelSize * pixelSize);
}
inline double SquareMillimetres(double pixels, double pixelSize) {
  return pixels * (pixelSize * pixelSize) / 1e6;
}
/// The area inside the ring, pi r^2, in square pixels.
inline double RingArea(const Ring& ring) {
  return std::numbers::pi * ring.radius * ring.radius;
}
inline double PerSquareMillimetre(double perPixel, double pixelSize) {
  return perPixel * 1e6 / (pixelSize * pixelSize);
}

}  // namespace vembrel
