#include "render/cell_drawings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

namespace vembrel {
namespace {

constexpr Rgb kBarColour{0, 0, 128};

// Grid coordinates of a cell to ring-crop coordinates (as the outline points are placed).
Point ToCrop(const CellMeasurement& m, int column, int row, const RingGeometry& ring) {
  return {m.minX + column - 1 - (ring.centreX - ring.radius),
          m.minY + row - 1 - (kMosaicSize - ring.centreY - ring.radius)};
}

Rgb PixelOrBlack(const Picture& picture, int x, int y) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return kBlack;
  const std::uint8_t* p = picture.topDown(x, y);
  return {p[kRed], p[kGreen], p[kBlue]};
}

// Height reduced to the top rows (rows are stored bottom first).
Picture TopRows(const Picture& picture, int height) {
  Picture top(picture.width, height);
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < height && y < picture.height; ++y) {
    std::copy_n(picture.topDown(0, y), rowBytes, top.topDown(0, y));
  }
  return top;
}

}  // namespace

Rgb ClassColour(CellClass c) {
  static constexpr Rgb kColours[] = {{0, 0, 255}, {255, 0, 0}, {255, 255, 0}, {0, 255, 0}};
  return kColours[static_cast<int>(c)];
}

Picture CopyRingCrop(const Picture& picture, const RingGeometry& ring) {
  const int side = std::max(2 * ring.radius, 1);
  Picture crop(side, side);
  const int left = ring.centreX - ring.radius;
  const int top = picture.height - ring.centreY - ring.radius;
  for (int y = 0; y < side; ++y) {
    const int sy = top + y;
    if (sy < 0 || sy >= picture.height) continue;
    for (int x = 0; x < side; ++x) {
      const int sx = left + x;
      if (sx < 0 || sx >= picture.width) continue;
      std::copy_n(picture.topDown(sx, sy), 4, crop.topDown(x, y));
    }
  }
  return crop;
}

void DrawOutline(Picture& crop, const CellMeasurement& m, const RingGeometry& ring) {
  Canvas canvas(crop);
  for (const OutlinePoint& point : m.outline) {
    const Point p = ToCrop(m, point.column, point.row, ring);
    canvas.SetPixel(p.x, p.y, kWhite);
  }
}

void DrawLongAxis(Picture& crop, const CellMeasurement& m, CellClass c, const RingGeometry& ring) {
  const Chord& chord = m.chord;
  const int halfX = (chord.column2 - chord.column1) / 2;
  const int halfY = (chord.row2 - chord.row1) / 2;
  const Point from = ToCrop(m, chord.column1 - halfX, chord.row1 - halfY, ring);
  const Point to = ToCrop(m, chord.column2 + halfX, chord.row2 + halfY, ring);
  Canvas(crop).Line(from.x, from.y, to.x, to.y, ClassColour(c));
}

Picture DrawThumbnailGallery(const ShapeAnalysis& analysis, const CellList& cells,
                             const Picture& resultPicture) {
  Picture gallery(kGalleryWidth, (static_cast<int>(cells.size()) + 2) * kSlotSize);
  Canvas canvas(gallery);
  canvas.Fill(kWhite);
  std::array<int, kClassCount> nextSlot{};
  for (std::size_t i = 0; i < analysis.cells.size() && i < cells.size(); ++i) {
    const int column = static_cast<int>(analysis.cells[i].cls);
    const int left = column * kSlotSize;
    const int top = nextSlot[column]++ * kSlotSize;
    for (const CellPixel& pixel : cells[i].Pixels) {
      canvas.SetPixel(left + 10 + pixel.BoxX, top + 10 + pixel.BoxY,
                      PixelOrBlack(resultPicture, pixel.X, pixel.Y));
    }
    const std::string size = std::to_string(cells[i].size());
    canvas.TextOut(left + 56 - Canvas::TextWidth(size), top + 46, size, kBlack);
    // Double frame lines between neighbouring slots.
    for (const int offset : {kSlotSize - 2, kSlotSize - 1}) {
      canvas.Line(left + offset, top, left + offset, top + kSlotSize, kButtonFace);
      canvas.Line(left, top + offset, left + kSlotSize, top + offset, kButtonFace);
    }
  }
  const int largest = *std::max_element(nextSlot.begin(), nextSlot.end());
  return TopRows(gallery, std::max(largest, 1) * kSlotSize);
}

Picture DrawPieChart(const ShapeStatistics& s) {
  Picture picture(kPieChartSize, kPieChartSize);
  Canvas canvas(picture);
  canvas.Fill(kButtonFace);
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
  Point start{155, 105};
  double angle = 0;
  for (int k = 0; k < kClassCount; ++k) {
    const int count = s.classCounts[k];
    if (count <= 0) continue;
    const Rgb colour = ClassColour(static_cast<CellClass>(k));
    if (count == total) {  // one class: the whole circle
      canvas.Ellipse(5, 30, 155, 180, kBlack, colour);
      break;
    }
    angle += static_cast<double>(count) * 360 / total;
    const double radians = angle * std::numbers::pi / 180;
    const Point end{80 + static_cast<int>(std::nearbyint(75 * std::cos(radians))),
                    105 - static_cast<int>(std::nearbyint(75 * std::sin(radians)))};
    canvas.Pie(5, 30, 155, 180, start.x, start.y, end.x, end.y, kBlack, colour);
    start = end;
  }
  return picture;
}

Picture DrawHistogram(const ShapeStatistics& s) {
  Picture picture(kHistogramWidth, kHistogramHeight);
  Canvas canvas(picture);
  canvas.Fill(kButtonFace);
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
