#include "render/cell_drawings.h"

#include <gtest/gtest.h>

namespace vembrel {
namespace {

Rgb At(const Picture& p, int x, int y) {
  const std::uint8_t* b = p.topDown(x, y);
  return {b[kRed], b[kGreen], b[kBlue]};
}

CellRecord Square(int x0, int y0, int side) {
  CellRecord cell;
  for (int x = x0; x < x0 + side; ++x) {
    for (int y = y0; y < y0 + side; ++y) cell.pixels.push_back({x, y, 0, 0, 0, 90});
  }
  cell.nucleusSize = 1;
  return cell;
}

TEST(CellDrawings, GallerySlotsCopyResultColoursAndRightAlignTheSize) {
  Picture result(kMosaicSize, kMosaicSize);
  for (int y = 0; y < kMosaicSize; ++y) {
    for (int x = 0; x < kMosaicSize; ++x) {
      std::uint8_t* p = result.topDown(x, y);
      p[kRed] = static_cast<std::uint8_t>(x);
      p[kGreen] = static_cast<std::uint8_t>(y);
    }
  }
  CellList cells = {Square(300, 400, 7), Square(320, 400, 8), Square(340, 400, 9)};
  ShapeSettings settings;
  settings.ring = {512, 512, 350};
  const ShapeAnalysis analysis = AnalyseShapes(cells, settings);
  for (const ShapedCell& cell : analysis.cells) ASSERT_EQ(cell.cls, CellClass::RoundRough);

  const Picture gallery = DrawThumbnailGallery(analysis, cells, result);
  EXPECT_EQ(gallery.width, 240);
  EXPECT_EQ(gallery.height, 3 * 60);
  // Second cell, second slot of the first column; colour of the result picture at (X, Y).
  EXPECT_EQ(At(gallery, 10, 70), (Rgb{320 % 256, 400 % 256, 0}));
  EXPECT_EQ(At(gallery, 17, 77), (Rgb{327 % 256, 407 % 256, 0}));
  EXPECT_EQ(At(gallery, 18, 78), kWhite);
  // "64" ends at column 56 of its slot, row 60 + 46.
  bool inked = false;
  for (int y = 106; y < 106 + Canvas::TextHeight(); ++y) {
    for (int x = 56 - Canvas::TextWidth("64"); x < 56; ++x) inked |= At(gallery, x, y) == kBlack;
    EXPECT_NE(At(gallery, 56, y), kBlack);
    EXPECT_NE(At(gallery, 57, y), kBlack);
  }
  EXPECT_TRUE(inked);
  EXPECT_EQ(At(gallery, 30, 59), kButtonFace);  // double line below the slot
  EXPECT_EQ(At(gallery, 90, 30), kWhite);       // empty column of another class
}

TEST(CellDrawings, PieSectorsRunCounterClockwiseFromTheRight) {
  ShapeStatistics s;
  s.classCounts = {0, 3, 0, 0};
  const Picture whole = DrawPieChart(s);
  for (const Point p :
       {Point{80, 105}, Point{30, 105}, Point{130, 105}, Point{80, 50}, Point{80, 160}}) {
    EXPECT_EQ(At(whole, p.x, p.y), (Rgb{255, 0, 0})) << p.x << "," << p.y;
  }
  EXPECT_EQ(At(whole, 162, 62), (Rgb{0, 0, 255}));  // count squares of the legend
  EXPECT_EQ(At(whole, 7, 222), (Rgb{255, 255, 0}));

  s.classCounts = {2, 0, 0, 2};
  const Picture halves = DrawPieChart(s);
  EXPECT_EQ(At(halves, 80, 60), (Rgb{0, 0, 255}));   // upper half first
  EXPECT_EQ(At(halves, 80, 150), (Rgb{0, 255, 0}));  // then the lower half
}

TEST(CellDrawings, HistogramTallestBarIsOneHundredPixels) {
  ShapeStatistics s;
  const Picture blank = DrawHistogram(s);
  EXPECT_EQ(blank, Picture(180, 105, 0x00F0F0F0));
  s.bins[0] = 2;
  s.bins[17] = 1;
  const Picture bars = DrawHistogram(s);
  EXPECT_NE(At(bars, 5, 6), kButtonFace);
  EXPECT_EQ(At(bars, 5, 4), kButtonFace);
  EXPECT_NE(At(bars, 175, 56), kButtonFace);
  EXPECT_EQ(At(bars, 175, 54), kButtonFace);
  EXPECT_EQ(At(bars, 95, 100), kButtonFace);
}

TEST(CellDrawings, OutlineAndLongAxisOnTheRingCrop) {
  const Ring ring{512, 512, 350};
  CellRecord cell = Square(400, 300, 5);
  const CellMeasurement m = MeasureCell(cell);
  Picture crop(700, 700);
  DrawOutline(crop, m, ring);
  // Grid (0, 0) lies at column 400 - 1 - 162 and row 300 - 1 - 162 of the crop.
  EXPECT_EQ(At(crop, 237, 137), kWhite);
  EXPECT_EQ(At(crop, 239, 139), kBlack);  // inside the cell
  DrawLongAxis(crop, m, CellClass::OvalSmooth, ring);
  // The chord from (0, 0) to (6, 6) is drawn from (-3, -3) towards (9, 9).
  EXPECT_EQ(At(crop, 234, 134), (Rgb{0, 255, 0}));
  EXPECT_EQ(At(crop, 243, 143), (Rgb{0, 255, 0}));
}

}  // namespace
}  // namespace vembrel
