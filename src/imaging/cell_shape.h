#pragma once
// Cell outline measurements, shape classes and orientation statistics, and
// the texts they are written with.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "imaging/cell_segmentation.h"
#include "imaging/mosaic_geometry.h"

namespace vembrel {

/// A background grid cell touching the cell, measured from the centroid.
struct OutlinePoint {
  int column = 0;  // grid column (box X + 1)
  int row = 0;     // grid row (box Y + 1), rows grow downwards
  double radius = 0;
  double direction = 0;  // radians, -pi .. pi; pi/2 straight in the centroid's column
};

/// The longest chord through the centroid, in grid coordinates.
struct Chord {
  int column1 = 0, column2 = 0, row1 = 0, row2 = 0;
  double length = 0;
};

struct CellMeasurement {
  int size = 0;
  int minX = 0, minY = 0;               // box origin
  int width = 0, height = 0;            // bounding box
  double centroidX = 0, centroidY = 0;  // means of boxX and boxY
  std::vector<OutlinePoint> outline;    // in visiting order (column by column)
  Chord chord;
  double ratio = 0;        // length^2 / size
  double correlation = 0;  // quality of the outline's polynomial fit
  int nucleusSize = 0;
  int circumference() const { return static_cast<int>(outline.size()); }
};

/// Measures one cell; fills boxX and boxY of its pixels. Throws MathError
/// when the outline cannot be fitted.
CellMeasurement MeasureCell(CellRecord& cell);

/// The chord walk: from every outline point through the centroid (p, q) to
/// the grid edge; the farthest outline point met on the way decides.
Chord LongestChord(std::vector<int> columns, std::vector<int> rows, double p, double q,
                   int lastColumn, int lastRow);

/// Angle in degrees (0 radial .. 90 tangential) between the long axis and
/// the line to the ring centre, in ring-crop coordinates.
double OrientationAngle(const CellMeasurement& m, const Ring& ring);

enum class CellClass { RoundRough = 0, RoundSmooth = 1, OvalRough = 2, OvalSmooth = 3 };
inline constexpr int kClassCount = 4;
inline constexpr int kOrientationBins = 18;

/// Ties go to oval (ratio == elongation) and to smooth (correlation == smoothness).
CellClass ClassifyCell(double ratio, double correlation, double elongation, double smoothness);
inline bool IsOval(CellClass c) {
  return c == CellClass::OvalRough || c == CellClass::OvalSmooth;
}

/// Class name ("Round & Rough", ...) and the word of the cell table ("Blue " ...).
const char* ClassName(CellClass c);
const char* ClassColourWord(CellClass c);

/// Bin 1..18 with 5(k-1) <= angle < 5k; 0 when in no bin (angle 90).
int OrientationBin(double angle);

/// One measured and classed cell.
struct ShapedCell {
  CellMeasurement m;
  CellClass cls = CellClass::RoundRough;
  std::optional<double> angle;  // oval cells only
};

struct ShapeStatistics {
  std::array<int, kClassCount> classCounts{};
  std::array<int, kOrientationBins> bins{};  // bins[k - 1] counts bin k
  std::optional<int> gauge;                  // share of radial cells; none without bins
  double elongationMedian = 0, elongationMean = 0;
  double smoothnessMedian = 0, smoothnessMean = 0;
  int total() const;
  int largestBin() const;
};

/// Share of radial cells in percent (bins 1 to 9 against 10 to 18); none
/// when no bin counts, so the gauge keeps its value.
std::optional<int> RadialShare(const std::array<int, kOrientationBins>& bins);

struct ShapeSettings {
  Ring ring;
  double elongation = 3.0;   // E
  double smoothness = 0.75;  // S
};

struct ShapeAnalysis {
  std::vector<ShapedCell> cells;  // in cell order
  ShapeStatistics statistics;
};

/// Measures, classes and counts every cell of the list (boxX and boxY are filled).
ShapeAnalysis AnalyseShapes(CellList& cells, const ShapeSettings& settings);

/// Middle value of the sorted values (mean of the two middle ones for an even count).
double Median(std::vector<double> values);

/// Fixed point with 2 decimals, at most 5 significant digits ("3.10").
std::string TwoDecimals(double value);
/// "Elongation:   <median>   Ava.: <mean>" and "Smoothness: <median>   Ava.: <mean>".
std::string ElongationText(const ShapeStatistics& s);
std::string SmoothnessText(const ShapeStatistics& s);

/// The statistics block of the cell data file up to the table header
/// (pie-chart block, histogram block or "NONE", "Info for every cell").
std::vector<std::string> StatisticsBlock(const ShapeStatistics& s);

}  // namespace vembrel
