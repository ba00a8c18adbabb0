#include "render/cell_drawings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "imaging/square_crop.h"

namespace vembrel {
namespace {

constexpr Rgb kBarColour{0, 0, 128};

constexpr std::uint32_t ToBgra(Rgb c) {
  return std::uint32_t{c.b} | std::uint32_t{c.g} << 8 | std::uint32_t{c.r} << 16;
}

// Grid coordinates of a cell to ring-crop coordinates (as the outline points are placed).
Point ToCrop(const CellMeasurement& m, int column, int row, const Ring& ring) {
  return {m.minX + column - 1 - (ring.x - ring.radius),
          m.minY + row - 1 - (kMosaicSize - ring.y - ring.radius)};
}

Rgb PixelOrBlack(const Picture& picture, int x, int y) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return kBlack;
  const std::uint8_t* p = picture.topDown(x, y);
  return {p[kRed], p[kGreen], p[kBlue]};
}

constexpr int kPieCentreX = 80, kPieCentreY = 105, kPieRadius = 75;
constexpr int kPieBox = 2 * kPieRadius, kPieLeft = kPieCentreX - kPieRadius,
              kPieTop = kPieCentreY - kPieRadius;

// Angle in degrees, 0 .. 360, of a point seen from the pie's centre,
// counter-clockwise as on screen.
double PieAngle(double x, double y) {
  const double a = std::atan2(kPieCentreY - y, x - kPieCentreX) * 180 / std::numbers::pi;
  return a < 0 ? a + 360 : a;
}

struct PiePixel {
  int x, y;      // in the pie's box
  double angle;  // of the pixel centre
};

// The pixels of the pie's box whose centre lies in the circle, with their
// angles: the same for every chart, so worked out once.
const std::vector<PiePixel>& PiePixels() {
  static const std::vector<PiePixel> pixels = [] {
    std::vector<PiePixel> inside;
    for (int y = 0; y < kPieBox; ++y) {
      for (int x = 0; x < kPieBox; ++x) {
        const double cx = kPieLeft + x + 0.5, cy = kPieTop + y + 0.5;
        const double dx = (cx - kPieCentreX) / kPieRadius, dy = (cy - kPieCentreY) / kPieRadius;
        if (dx * dx + dy * dy > 1.0) continue;
        inside.push_back({x, y, PieAngle(cx, cy)});
      }
    }
    return inside;
  }();
  return pixels;
}

}  // namespace

Rgb ClassColour(CellClass c) {
  static constexpr Rgb kColours[] = {{0, 0, 255}, {255, 0, 0}, {255, 255, 0}, {0, 255, 0}};
  return kColours[static_cast<int>(c)];
}

Picture CopyRingCrop(const Picture& picture, const Ring& ring) {
  return SquareCrop(picture, ring.x - ring.radius, picture.height - ring.y - ring.radius,
                    std::max(2 * ring.radius, 1));
}

void DrawOutline(Picture& crop, const CellMeasurement& m, const Ring& ring) {
  Canvas canvas(crop);
  for (const OutlinePoint& point : m.outline) {
    const Point p = ToCrop(m, point.column, point.row, ring);
    canvas.SetPixel(p.x, p.y, kWhite);
  }
}

void DrawLongAxis(Picture& crop, const CellMeasurement& m, CellClass c, const Ring& ring) {
  const Chord& chord = m.chord;
  const int halfX = (chord.column2 - chord.column1) / 2;
  const int halfY = (chord.row2 - chord.row1) / 2;
  const Point from = ToCrop(m, chord.column1 - halfX, chord.row1 - halfY, ring);
  const Point to = ToCrop(m, chord.column2 + halfX, chord.row2 + halfY, ring);
  Canvas(crop).Line(from.x, from.y, to.x, to.y, ClassColour(c));
}

Picture DrawThumbnailGallery(const ShapeAnalysis& analysis, const CellList& cells,
                             const Picture& resultPicture) {
  // Only the rows of the fullest class column are kept, so only those are drawn.
  std::array<int, kClassCount> counts{};
  for (const ShapedCell& cell : analysis.cells) ++counts[static_cast<int>(cell.cls)];
  const int largest = std::max(*std::max_element(counts.begin(), counts.end()), 1);
  Picture gallery(kGalleryWidth, largest * kSlotSize, ToBgra(kWhite));
  Canvas canvas(gallery);
  std::array<int, kClassCount> nextSlot{};
  for (std::size_t i = 0; i < analysis.cells.size() && i < cells.size(); ++i) {
    const int column = static_cast<int>(analysis.cells[i].cls);
    const int left = column * kSlotSize;
    const int top = nextSlot[column]++ * kSlotSize;
    for (const CellPixel& pixel : cells[i].pixels) {
      canvas.SetPixel(left + 10 + pixel.boxX, top + 10 + pixel.boxY,
                      PixelOrBlack(resultPicture, pixel.x, pixel.y));
    }
    const std::string size = std::to_string(cells[i].size());
    canvas.TextOut(left + 56 - Canvas::TextWidth(size), top + 46, size, kBlack);
    // Double frame lines between neighbouring slots.
    for (const int offset : {kSlotSize - 2, kSlotSize - 1}) {
      canvas.Line(left + offset, top, left + offset, top + kSlotSize, kButtonFace);
      canvas.Line(left, top + offset, left + kSlotSize, top + offset, kButtonFace);
    }
  }
  return gallery;
}

Picture DrawPieChart(const ShapeStatistics& s) {
  Picture picture(kPieChartSize, kPieChartSize, ToBgra(kButtonFace));
  Canvas canvas(picture);
  static constexpr Point kLegend[] = {{5, 200}, {109, 200}, {5, 220}, {109, 220}};
  for (int k = 0; k < kClassCount; ++k) {
    const auto c = static_cast<CellClass>(k);
    const Rgb colour = ClassColour(c);
    canvas.FillRect(kLegend[k].x, kLegend[k].y, kLegend[k].x + 10, kLegend[k].y + 10, colour);
    canvas.TextOut(kLegend[k].x + 12, kLegend[k].y - 3, ClassName(c), kBlack);
    const int countTop = 60 + 20 * k;
    canvas.FillRect(160, countTop, 170, countTop + 10, colour);
    canvas.TextOut(172, countTop - 2, std::to_string(s.classCounts[k]), kBlack);
  }

  const int total = s.total();
  if (total <= 0) return picture;
  // Sector k runs from the previous end point to its own; the end points are
  // rounded to pixels and the next sector starts where the previous one ended.
  std::array<double, kClassCount> endAngle{};
  std::array<int, kClassCount> sectorClass{};
  int sectors = 0;
  double angle = 0;
  for (int k = 0; k < kClassCount; ++k) {
    const int count = s.classCounts[k];
    if (count <= 0) continue;
    angle += static_cast<double>(count) * 360 / total;
    const double radians = angle * std::numbers::pi / 180;
    const int endX = kPieCentreX + static_cast<int>(std::nearbyint(kPieRadius * std::cos(radians)));
    const int endY = kPieCentreY - static_cast<int>(std::nearbyint(kPieRadius * std::sin(radians)));
    sectorClass[sectors] = k;
    endAngle[sectors++] = angle >= 360 ? 360.0 : PieAngle(endX, endY);
  }
  endAngle[sectors - 1] = 360.0;  // the last sector closes the circle

  // One pass over the pie's box: the sector of every pixel centre (-1 outside),
  // then fill colours with a black edge where the sector changes.
  std::vector<int> sector(static_cast<std::size_t>(kPieBox + 2) * (kPieBox + 2), -1);
  const auto at = [&](int x, int y) -> int& { return sector[(y + 1) * (kPieBox + 2) + x + 1]; };
  for (const PiePixel& pixel : PiePixels()) {
    int k = 0;
    while (k < sectors - 1 && pixel.angle >= endAngle[k]) ++k;
    at(pixel.x, pixel.y) = k;
  }
  for (int y = 0; y < kPieBox; ++y) {
    for (int x = 0; x < kPieBox; ++x) {
      const int k = at(x, y);
      if (k < 0) continue;
      const bool edge =
          at(x - 1, y) != k || at(x + 1, y) != k || at(x, y - 1) != k || at(x, y + 1) != k;
      canvas.SetPixel(kPieLeft + x, kPieTop + y,
                      edge ? kBlack : ClassColour(static_cast<CellClass>(sectorClass[k])));
    }
  }
  return picture;
}

Picture DrawHistogram(const ShapeStatistics& s) {
  Picture picture(kHistogramWidth, kHistogramHeight, ToBgra(kButtonFace));
  Canvas canvas(picture);
  const int largest = s.largestBin();
  if (largest <= 0) return picture;
  for (int k = 1; k <= kOrientationBins; ++k) {
    const int height = s.bins[k - 1] * 100 / largest;
    if (height <= 0) continue;
    const int left = 10 * (k - 1), right = 10 * k, top = kHistogramHeight - height;
    canvas.FillRect(left, top, right, kHistogramHeight, kBarColour);
    canvas.FrameRect(left, top, right, kHistogramHeight, kBlack);
  }
  return picture;
}

}  // namespace vembrel
