#include "imaging/cell_shape.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>

#include "core/convert.h"
#include "imaging/polyfit.h"

namespace vembrel {
namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr int kFitTerms = 6;  // degree 5

// The empty grid cells with an occupied one among their eight neighbours,
// column by column. The grid's empty margin keeps every neighbour of an
// occupied cell inside it.
std::vector<OutlinePoint> FindOutline(const std::vector<std::uint8_t>& grid, int columns, int rows,
                                      double p, double q) {
  std::vector<std::uint8_t> touched(grid.size());
  for (int c = 1; c + 1 < columns; ++c) {
    for (int r = 1; r + 1 < rows; ++r) {
      if (grid[c * rows + r] == 0) continue;
      for (int dc = -1; dc <= 1; ++dc) {
        std::uint8_t* column = touched.data() + (c + dc) * rows + r;
        column[-1] = column[0] = column[1] = 1;
      }
    }
  }
  std::vector<OutlinePoint> outline;
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) {
      if (grid[c * rows + r] != 0 || touched[c * rows + r] == 0) continue;
      const double dx = c - p;
      const double dy = r - q;
      const double direction = c == p ? std::numbers::pi / 2 : std::atan2(dy, dx);
      outline.push_back({c, r, std::sqrt(dx * dx + dy * dy), direction});
    }
  }
  return outline;
}

}  // namespace

CellMeasurement MeasureCell(CellRecord& cell) {
  CellMeasurement m;
  m.size = cell.size();
  m.nucleusSize = cell.nucleusSize;
  int maxX = cell.pixels.front().x, maxY = cell.pixels.front().y;
  m.minX = maxX;
  m.minY = maxY;
  for (const CellPixel& pixel : cell.pixels) {
    m.minX = std::min(m.minX, pixel.x);
    m.minY = std::min(m.minY, pixel.y);
    maxX = std::max(maxX, pixel.x);
    maxY = std::max(maxY, pixel.y);
  }
  m.width = maxX - m.minX + 1;
  m.height = maxY - m.minY + 1;

  std::int64_t sumX = 0, sumY = 0;
  for (CellPixel& pixel : cell.pixels) {
    pixel.boxX = pixel.x - m.minX;
    pixel.boxY = pixel.y - m.minY;
    sumX += pixel.boxX;
    sumY += pixel.boxY;
  }
  m.centroidX = static_cast<double>(sumX) / m.size;
  m.centroidY = static_cast<double>(sumY) / m.size;

  // Occupancy grid with an empty margin of one all round.
  const int columns = m.width + 2, rows = m.height + 2;
  std::vector<std::uint8_t> grid(static_cast<std::size_t>(columns) * rows);
  for (const CellPixel& pixel : cell.pixels) {
    grid[(pixel.boxX + 1) * rows + pixel.boxY + 1] = static_cast<std::uint8_t>(pixel.value);
  }
  const double p = m.centroidX + 1, q = m.centroidY + 1;
  m.outline = FindOutline(grid, columns, rows, p, q);

  std::vector<int> outlineColumns, outlineRows;
  std::vector<double> radii, directions;
  outlineColumns.reserve(m.outline.size());
  outlineRows.reserve(m.outline.size());
  radii.reserve(m.outline.size());
  directions.reserve(m.outline.size());
  for (const OutlinePoint& point : m.outline) {
    outlineColumns.push_back(point.column);
    outlineRows.push_back(point.row);
    radii.push_back(point.radius);
    directions.push_back(point.direction);
  }
  m.chord =
      LongestChord(std::move(outlineColumns), std::move(outlineRows), p, q, columns - 1, rows - 1);

  std::array<double, kFitTerms> coefficients{};
  double fitQuality = 0;
  FitPolynomial(directions, radii, coefficients, fitQuality, static_cast<int>(directions.size()),
                kFitTerms);
  m.correlation = fitQuality;
  m.ratio = m.chord.length * m.chord.length / m.size;
  return m;
}

namespace {

std::int64_t SquaredDistance(int dx, int dy) {
  return std::int64_t{dx} * dx + std::int64_t{dy} * dy;
}

/// A grid point of the walk.
struct GridPoint {
  int x = 0, y = 0;
  bool operator==(const GridPoint&) const = default;
};

/// The walk from (a, b) through the centroid (p, q) to the grid edge. Every
/// step moves x or y or both away from (a, b), never back, so the distance
/// from (a, b) grows with each step: the last outline point met is the
/// farthest one. Returns it, or nothing when the walk meets none.
std::optional<GridPoint> FarthestOnWalk(int a, int b, double p, double q, int lastColumn,
                                        int lastRow, const std::vector<std::uint8_t>& onOutline) {
  const int gridRows = lastRow + 1;
  std::optional<GridPoint> last;
  int x = a, y = b;
  const auto visit = [&]() {
    if (onOutline[x * gridRows + y]) last = GridPoint{x, y};
  };
  if (a == p) {
    if (b > q) {
      while (y > 0) --y, visit();
    } else if (b < q) {
      while (y < lastRow) ++y, visit();
    }
    return last;
  }
  const int sx = a > p ? -1 : 1;
  const auto xInside = [&] { return sx < 0 ? x > 0 : x < lastColumn; };
  if (b == q) {
    while (xInside()) x += sx, visit();
    return last;
  }
  const int sy = b > q ? -1 : 1;
  const auto yInside = [&] { return sy < 0 ? y > 0 : y < lastRow; };
  const double m = (b - q) / (a - p);
  const double c = q - m * p;
  const double norm = std::sqrt(m * m + 1);
  const auto distance = [&](int column, int row) { return std::fabs(row - m * column - c) / norm; };
  while (xInside() && yInside()) {
    const double dA = distance(x + sx, y);
    const double dB = distance(x + sx, y + sy);
    const double dC = distance(x, y + sy);
    bool takeC, takeB = false;
    if (dA > dB) {
      takeC = dC < dB;
      takeB = !takeC;
    } else {
      takeC = dC < dA;
    }
    if (takeC) {
      y += sy;
    } else if (takeB) {
      x += sx;
      y += sy;
    } else {
      x += sx;
    }
    visit();
  }
  return last;
}

/// Vertices of the convex hull of distinct points (monotone chain); the
/// farthest of the points from any place is one of them.
std::vector<GridPoint> ConvexHull(std::vector<GridPoint> points) {
  const auto before = [](const GridPoint& u, const GridPoint& v) {
    return u.x != v.x ? u.x < v.x : u.y < v.y;
  };
  // A cell's outline comes column by column, already in order.
  if (!std::is_sorted(points.begin(), points.end(), before)) {
    std::sort(points.begin(), points.end(), before);
  }
  if (points.size() <= 2) return points;
  const auto cross = [](const GridPoint& o, const GridPoint& u, const GridPoint& v) {
    return std::int64_t{u.x - o.x} * (v.y - o.y) - std::int64_t{u.y - o.y} * (v.x - o.x);
  };
  std::vector<GridPoint> hull(2 * points.size());
  std::size_t size = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    while (size >= 2 && cross(hull[size - 2], hull[size - 1], points[i]) <= 0) --size;
    hull[size++] = points[i];
  }
  for (std::size_t i = points.size() - 1, lower = size + 1; i-- > 0;) {
    while (size >= lower && cross(hull[size - 2], hull[size - 1], points[i]) <= 0) --size;
    hull[size++] = points[i];
  }
  hull.resize(size - 1);
  return hull;
}

}  // namespace

// Walked one after the other, the outline points would each update the chord
// whenever a point met lies strictly farther than the chord so far: the
// chord ends as the first walk, in outline order, whose farthest point met
// lies farthest of all. The walks are therefore taken in order of how far
// they could reach at most (the farthest outline point from their start, a
// hull vertex), and the search stops when no walk left can beat or, starting
// earlier, tie the best. Distances are compared as exact squared integers.
Chord LongestChord(std::vector<int> columns, std::vector<int> rows, double p, double q,
                   int lastColumn, int lastRow) {
  // Outline points are distinct grid cells, so a lookup grid answers "is the
  // new position on the outline" exactly as a search of the list would.
  const int gridRows = lastRow + 1;
  const std::size_t count = columns.size();
  std::vector<std::uint8_t> onOutline(static_cast<std::size_t>(lastColumn + 1) * gridRows);
  std::vector<GridPoint> points(count);
  for (std::size_t k = 0; k < count; ++k) {
    onOutline[columns[k] * gridRows + rows[k]] = 1;
    points[k] = {columns[k], rows[k]};
  }
  const std::vector<GridPoint> hull = ConvexHull(points);

  // The walks are taken from a heap, farthest reach first and, on equal
  // reach, in outline order: the search usually stops after a few of them,
  // so sorting them all would be wasted.
  struct Start {
    std::int64_t reach;
    std::size_t k;
  };
  std::vector<Start> starts(count);
  for (std::size_t k = 0; k < count; ++k) {
    const int a = columns[k], b = rows[k];
    std::int64_t reach = 0;
    for (const GridPoint& h : hull) reach = std::max(reach, SquaredDistance(a - h.x, b - h.y));
    starts[k] = {reach, k};
  }
  const auto later = [](const Start& u, const Start& v) {
    return u.reach != v.reach ? u.reach < v.reach : u.k > v.k;
  };
  std::make_heap(starts.begin(), starts.end(), later);

  Chord chord;
  std::int64_t best = 0;
  std::size_t bestStart = count;
  for (auto heapEnd = starts.end(); heapEnd != starts.begin(); --heapEnd) {
    std::pop_heap(starts.begin(), heapEnd, later);
    const auto [reach, k] = *(heapEnd - 1);
    if (reach < best || (reach == best && k > bestStart)) break;
    const int a = columns[k], b = rows[k];
    const std::optional<GridPoint> end = FarthestOnWalk(a, b, p, q, lastColumn, lastRow, onOutline);
    if (!end) continue;
    const std::int64_t squared = SquaredDistance(a - end->x, b - end->y);
    if (squared > best || (squared == best && k < bestStart)) {
      best = squared;
      bestStart = k;
      const double dx = a - end->x, dy = b - end->y;
      chord = {a, end->x, b, end->y, std::sqrt(dx * dx + dy * dy)};
    }
  }
  return chord;
}

double OrientationAngle(const CellMeasurement& m, const Ring& ring) {
  const double R = ring.radius;
  const double Xc = m.minX + m.centroidX - ring.x + R - 1;
  const double Yc = m.minY + m.centroidY - (kMosaicSize - (ring.y + ring.radius)) - 1;
  const int x1 = m.chord.column1, x2 = m.chord.column2;
  const int y1 = m.chord.row1, y2 = m.chord.row2;
  const double radialX = R - Xc;
  const bool verticalChord = x2 == x1;
  const bool verticalRadial = radialX == 0;
  if (!verticalRadial && !verticalChord) {
    const double m1 = static_cast<double>(y2 - y1) / (x2 - x1);
    const double m2 = (R - Yc) / radialX;
    const double denominator = 1 + m1 * m2;
    if (denominator == 0) return 90;
    return std::atan(std::fabs((m1 - m2) / denominator)) * kDegreesPerRadian;
  }
  if (verticalRadial && verticalChord) return 0;
  if (verticalChord) return 90 - std::atan(std::fabs((R - Yc) / radialX)) * kDegreesPerRadian;
  const double m1 = static_cast<double>(y2 - y1) / (x2 - x1);
  return 90 - std::atan(std::fabs(m1)) * kDegreesPerRadian;
}

CellClass ClassifyCell(double ratio, double correlation, double elongation, double smoothness) {
  const bool oval = ratio >= elongation;
  const bool smooth = correlation >= smoothness;
  if (oval) return smooth ? CellClass::OvalSmooth : CellClass::OvalRough;
  return smooth ? CellClass::RoundSmooth : CellClass::RoundRough;
}

const char* ClassName(CellClass c) {
  static const char* const kNames[] = {"Round & Rough", "Round & Smooth", "Oval & Rough",
                                       "Oval & Smooth"};
  return kNames[static_cast<int>(c)];
}

const char* ClassColourWord(CellClass c) {
  static const char* const kWords[] = {"Blue ", "Red", "Yellow", "Green"};
  return kWords[static_cast<int>(c)];
}

int OrientationBin(double angle) {
  for (int k = 1; k <= kOrientationBins; ++k) {
    if (5 * k > angle) return k;
  }
  return 0;
}

int ShapeStatistics::total() const {
  int sum = 0;
  for (const int count : classCounts) sum += count;
  return sum;
}

int ShapeStatistics::largestBin() const {
  return *std::max_element(bins.begin(), bins.end());
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  if (n % 2 == 1) return values[n / 2];
  return (values[n / 2 - 1] + values[n / 2]) / 2;
}

namespace {

double Mean(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  double sum = 0;
  for (const double v : values) sum = sum + v;
  return sum / static_cast<double>(values.size());
}

}  // namespace

std::optional<int> RadialShare(const std::array<int, kOrientationBins>& bins) {
  if (*std::max_element(bins.begin(), bins.end()) <= 0) return std::nullopt;
  int s1 = 0, s2 = 0;
  for (int k = 0; k < 9; ++k) s1 += bins[k];
  for (int k = 9; k < kOrientationBins; ++k) s2 += bins[k];
  if (s1 == 0) return 0;
  if (s2 == 0) return 100;
  return static_cast<int>(std::trunc(static_cast<double>(100 * s1) / (s1 + s2) + 0.5));
}

ShapeAnalysis AnalyseShapes(CellList& cells, const ShapeSettings& settings) {
  ShapeAnalysis analysis;
  ShapeStatistics& s = analysis.statistics;
  std::vector<double> ratios, correlations;
  analysis.cells.reserve(cells.size());
  for (CellRecord& cell : cells) {
    ShapedCell shaped;
    shaped.m = MeasureCell(cell);
    shaped.cls = ClassifyCell(shaped.m.ratio, shaped.m.correlation, settings.elongation,
                              settings.smoothness);
    ++s.classCounts[static_cast<int>(shaped.cls)];
    if (IsOval(shaped.cls)) {
      shaped.angle = OrientationAngle(shaped.m, settings.ring);
      const int bin = OrientationBin(*shaped.angle);
      if (bin > 0) ++s.bins[bin - 1];
    }
    ratios.push_back(shaped.m.ratio);
    correlations.push_back(shaped.m.correlation);
    analysis.cells.push_back(std::move(shaped));
  }
  s.elongationMedian = Median(ratios);
  s.elongationMean = Mean(ratios);
  s.smoothnessMedian = Median(correlations);
  s.smoothnessMean = Mean(correlations);
  s.gauge = RadialShare(s.bins);
  return analysis;
}

std::string TwoDecimals(double value) {
  char buffer[64];
  // Five significant digits first, then two decimals; beyond five integer
  // digits the fixed form would need more digits, so the exponent form is used.
  std::snprintf(buffer, sizeof buffer, "%.4e", value);
  const double rounded = std::strtod(buffer, nullptr);
  if (std::fabs(rounded) >= 1e5) {
    std::snprintf(buffer, sizeof buffer, "%.4E", value);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.2f", rounded);
  }
  return buffer;
}

std::string ElongationText(const ShapeStatistics& s) {
  return "Elongation:   " + TwoDecimals(s.elongationMedian) +
         "   Ava.: " + TwoDecimals(s.elongationMean);
}

std::string SmoothnessText(const ShapeStatistics& s) {
  return "Smoothness: " + TwoDecimals(s.smoothnessMedian) +
         "   Ava.: " + TwoDecimals(s.smoothnessMean);
}

std::vector<std::string> StatisticsBlock(const ShapeStatistics& s) {
  std::vector<std::string> lines = {
      "Data from piechart", "",
      "\tRound & Rough\tRound & Smooth\tOval & Rough\tOval & Smooth\tTotal",
      "\tBlue\tRed\tYellow\tGreen"};
  std::string counts = "Number:\t";
  for (const int count : s.classCounts) counts += std::to_string(count) + "\t";
  counts += std::to_string(s.total());
  lines.push_back(counts);
  lines.insert(lines.end(), {"", "", "Data from histogram", ""});
  if (s.largestBin() > 0) {
    std::string header = "\t", numbers = "Number:\t";
    for (int k = 1; k <= kOrientationBins; ++k) {
      header += "<" + std::to_string(5 * k) + "\t";
      numbers += std::to_string(s.bins[k - 1]) + "\t";
    }
    lines.insert(lines.end(),
                 {header, numbers, "", "perc.<45:\t" + std::to_string(*s.gauge) + "%"});
  } else {
    lines.insert(lines.end(), {"", "NONE", "", ""});
  }
  lines.insert(lines.end(), {"", "", "", "", "Info for every cell", "",
                             "Number\tSize\tPicWidth\tPicHeight\tCircum.\tLength\tRatio\tCorrel."
                             "\tColor\tAngle\tNucSize"});
  return lines;
}

}  // namespace vembrel
