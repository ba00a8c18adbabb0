// Finding the cell-free zone's centre and radius, and judging whether a well
// has one: sharp constructed zones whose every pixel is known, and the
// constructed wells of the support library.
#include "imaging/zone_fit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "demo/demo_plate.h"
#include "imaging/mosaic.h"
#include "support/pictures.h"
#include "support/simd_paths.h"
#include "support/zone_well.h"

namespace vembrel::testing {
namespace {

// A cell layer of 12 x 12 squares of grey 160 on a 16 px lattice (56 %
// covered) over a background of 20, with a cell-free disc of the given radius.
Picture LatticeWell(int x, int y, int radius) {
  return GreyPicture(kMosaicSize, kMosaicSize, [=](int c, int r) {
    if (InDisc(c, r, x, y, radius)) return 20;
    return c % 16 < 12 && r % 16 < 12 ? 160 : 20;
  });
}

TEST(ZoneFit, FindsASharpZoneOfOddRadiusToThePixel) {
  const Picture green = LatticeWell(530, 470, 301);
  const ZoneFit fit = FitZone(green, 200, 460);
  EXPECT_EQ(fit.radius, 301);
  EXPECT_EQ(fit.x, 530);
  EXPECT_EQ(fit.y, 470);
  EXPECT_NEAR(fit.edgeStep, 0.56, 0.05);
  EXPECT_DOUBLE_EQ(fit.contrast, ZoneContrast(green, 530, 470, 301));
  EXPECT_TRUE(fit.zone.judged);
  EXPECT_TRUE(fit.zone.clear);
  EXPECT_GT(fit.zone.threshold, 19);
  EXPECT_LT(fit.zone.threshold, 160);
  EXPECT_NEAR(fit.zone.typicalCover, 0.56, 0.03);
  EXPECT_LT(fit.zone.insideCover, 0.02);
  EXPECT_NEAR(fit.zone.radius, 301, 30);
}

// The zone's size is found to the pixel: radii are searched in steps of two
// and the odd neighbours of the best step tried, so a zone of odd radius is
// found exactly, whichever neighbouring even step comes out best.
TEST(ZoneFit, FindsAnExactOddOrEvenRadius) {
  for (const int radius : {297, 299, 301, 303, 300}) {
    SCOPED_TRACE(radius);
    // A clean cell layer with a dark cell-free disc: the contrast peaks at its radius alone.
    Picture green = GreyPicture(kMosaicSize, kMosaicSize, 200);
    PaintDisc(green, 512, 512, radius, 20);
    const ZoneFit fit = FitZone(green, 250, 350);
    EXPECT_EQ(fit.radius, radius);
    EXPECT_EQ(fit.x, 512);
    EXPECT_EQ(fit.y, 512);
    // At its exact radius the zone is all dark inside and all bright around.
    EXPECT_DOUBLE_EQ(fit.contrast, 180.0);
    // The radius at the top of the range, whose even step above lies outside it.
    EXPECT_EQ(FitZone(green, 250, radius).radius, radius);
  }
}

TEST(ZoneFit, KeepsTheRadiusInTheRangeAsked) {
  const Picture green = LatticeWell(512, 512, 301);
  EXPECT_EQ(FitZone(green, 320, 460).radius, 320);
  EXPECT_EQ(FitZone(green, 200, 280).radius, 280);
  EXPECT_EQ(FitZone(green, 301, 301).radius, 301);
  // Ends beyond the mosaic's half diagonal are cut to it.
  const ZoneFit wide = FitZone(green, 1, kLargestFitRadius);
  EXPECT_EQ(wide.radius, 301);
  EXPECT_EQ(FitZone(green, 2000, kLargestFitRadius).radius, 725);
}

TEST(ZoneFit, LeavesBlackQuartersOut) {
  // The lower left field is missing: black, which looks cell-free.
  Picture green = LatticeWell(560, 560, 280);
  for (int r = 0; r < kFieldSize; ++r) {
    for (int c = 0; c < kFieldSize; ++c) green.at(c, r, kBlue) = 0;
  }
  const ZoneFit fit = FitZone(green, 200, 460, {true, false, false, false});
  EXPECT_NEAR(fit.radius, 280, 2);
  EXPECT_LE(std::hypot(fit.x - 560, fit.y - 560), 3.0);
  EXPECT_TRUE(fit.zone.clear);
  // The same fit from the picture's grey plane.
  const ZoneFit fromPlane = FitZone(BlueBytesOf(green), 200, 460, {true, false, false, false});
  EXPECT_EQ(fromPlane.x, fit.x);
  EXPECT_EQ(fromPlane.y, fit.y);
  EXPECT_EQ(fromPlane.radius, fit.radius);
  EXPECT_EQ(fromPlane.edgeStep, fit.edgeStep);
  EXPECT_EQ(fromPlane.contrast, fit.contrast);
  EXPECT_EQ(fromPlane.zone.threshold, fit.zone.threshold);
  // Judged with the black quarter, the well has a larger cell-free part.
  EXPECT_GT(AssessZone(green).radius, AssessZone(green, {true, false, false, false}).radius);
}

TEST(ZoneFit, JudgesWhetherAWellHasAClearZone) {
  // Flat and black pictures cannot be judged.
  EXPECT_FALSE(AssessZone(GreyPicture(kMosaicSize, kMosaicSize, 0)).judged);
  EXPECT_FALSE(AssessZone(GreyPicture(kMosaicSize, kMosaicSize, 90)).judged);
  EXPECT_FALSE(AssessZone(LatticeWell(512, 512, 300), {true, true, true, true}).judged);
  // A confluent layer and a hole too small for a zone are no zone.
  EXPECT_FALSE(AssessZone(LatticeWell(512, 512, 0)).clear);
  EXPECT_FALSE(AssessZone(LatticeWell(512, 512, 60)).clear);
  EXPECT_TRUE(AssessZone(LatticeWell(512, 512, 140)).clear);
  ZoneWellRecipe confluent;
  confluent.zoneRadius = 0;
  for (std::uint32_t seed : {3u, 4u}) {
    confluent.seed = seed;
    const ZoneAssessment zone = AssessZone(MakeZoneWell(confluent).green);
    EXPECT_TRUE(zone.judged);
    EXPECT_FALSE(zone.clear) << zone.radius << " " << zone.insideCover << " " << zone.typicalCover;
  }
}

// A picture of any width is counted whole: here 15 blocks across (no
// multiple of the sixteen blocks or pixels counted at a time), cells in its
// upper half only (12 of each 15 block columns, 3 of each 4 block rows).
// The bottom row's windows hold too little of the picture to be judged, so
// the largest sparse disc lies half-way between it and the cells; every
// window spans the picture's width, so the leftmost block of that row is it.
// Only the blue bytes are the cell stain.
TEST(ZoneFit, JudgesANarrowPictureBlockByBlock) {
  Picture green = GreyPicture(60, kMosaicSize, [](int c, int r) {
    return r >= kMosaicSize / 2 && c % 16 < 12 && r % 16 < 12 ? 160 : 20;
  });
  for (std::size_t i = 1; i < green.bytes.size(); i += 4) green.bytes[i] = 250;
  const ZoneAssessment zone = AssessZone(green);
  EXPECT_TRUE(zone.judged);
  EXPECT_TRUE(zone.clear);
  EXPECT_NEAR(zone.y, kMosaicSize / 4, 12);
  EXPECT_EQ(zone.x, 2);
  EXPECT_NEAR(zone.radius, kMosaicSize / 4, 8);
  EXPECT_EQ(zone.insideCover, 0);
  EXPECT_NEAR(zone.typicalCover, 0.8 * 0.75, 0.05);
}

// Upright stripes of cells in the left part only: every block of the last
// column lies farthest from them, and the first of those in row order is the
// bottom one.
TEST(ZoneFit, TheDeepestBlockMayLieInTheLastColumnAndTheBottomRow) {
  const Picture green = GreyPicture(kMosaicSize, kMosaicSize,
                                    [](int c, int) { return c < 400 && c % 16 < 12 ? 160 : 20; });
  const ZoneAssessment zone = AssessZone(green);
  EXPECT_TRUE(zone.judged);
  EXPECT_EQ(zone.x, kMosaicSize - 2);
  EXPECT_EQ(zone.y, 2);
}

// The grey plane written on the way holds every pixel, those of black
// quarters and of the rows and columns beyond the last whole block too, and
// the assessment is the same as without it.
TEST(ZoneFit, WritesTheGreyPlaneOfEveryPixelOnTheWay) {
  Picture green = GreyPicture(1022, 1021, [](int c, int r) {
    if (InDisc(c, r, 500, 530, 200)) return 20 + (c * r) % 7;
    return c % 16 < 12 && r % 16 < 12 ? 160 + c % 5 : 20;
  });
  for (std::size_t i = 1; i < green.bytes.size(); i += 4) green.bytes[i] = 250;
  for (const BlackQuarters black : {BlackQuarters{}, BlackQuarters{false, true, false, false}}) {
    GreyPlane plane;
    plane.width = 3;
    const ZoneAssessment with = AssessZone(green, black, &plane);
    const ZoneAssessment without = AssessZone(green, black);
    EXPECT_TRUE(with.judged);
    EXPECT_EQ(plane.width, green.width);
    EXPECT_EQ(plane.height, green.height);
    EXPECT_EQ(plane.bytes, BlueBytesOf(green).bytes);
    const auto expectSame = [&](const ZoneAssessment& a, const char* what) {
      EXPECT_EQ(a.judged, without.judged) << what;
      EXPECT_EQ(a.threshold, without.threshold) << what;
      EXPECT_EQ(a.clear, without.clear) << what;
      EXPECT_EQ(a.x, without.x) << what;
      EXPECT_EQ(a.y, without.y) << what;
      EXPECT_EQ(a.radius, without.radius) << what;
      EXPECT_EQ(a.insideCover, without.insideCover) << what;
      EXPECT_EQ(a.typicalCover, without.typicalCover) << what;
    };
    expectSame(with, "grey plane written");
    // The grey plane read as it is gives the same assessment.
    expectSame(AssessZone(plane, black), "grey plane read");
  }
}

// The threshold is Otsu's split of every pixel's grey: a quarter of the
// pixels at 200, a quarter at 100 and half at 20 split best above 100. The
// widths hold no whole number of sixteen-pixel steps, the narrow one mostly
// what is left over.
TEST(ZoneFit, ThresholdSplitsTheGreyOfEveryPixel) {
  const int greys[4] = {20, 20, 100, 200};
  for (const int width : {1020, 28}) {
    const Picture green = GreyPicture(width, kMosaicSize, [&](int c, int) { return greys[c % 4]; });
    EXPECT_EQ(AssessZone(green).threshold, 100) << width;
  }
}

// Every vector path of the block counts assesses as the plain loop does.
// Pixels of any grey, 0 and 255 and the threshold's neighbours among them,
// are strewn over a lattice well, so that a miscounted or misplaced block
// moves the disc's covered share or the density. The widths' rows of blocks,
// and the runs a black quarter starts mid-row, end in each vector loop.
TEST(ZoneFit, EveryVectorPathAssessesAsThePlainLoop) {
  for (const int width : {1020, 1004}) {
    const Picture green = GreyPicture(width, kMosaicSize, [](int c, int r) {
      std::uint32_t hash =
          static_cast<std::uint32_t>(c) * 73856093u ^ static_cast<std::uint32_t>(r) * 19349663u;
      hash = (hash ^ (hash >> 13)) * 0x5bd1e995u;
      hash ^= hash >> 15;
      if (hash % 4 == 0) return static_cast<int>((hash >> 8) % 256);
      if (InDisc(c, r, 480, 520, 220)) return 20;
      return c % 16 < 12 && r % 16 < 12 ? 160 : 20;
    });
    const GreyPlane plane = BlueBytesOf(green);
    for (const BlackQuarters black : {BlackQuarters{}, BlackQuarters{true, false, false, false}}) {
      SCOPED_TRACE(::testing::Message() << "width " << width << ", black " << black[0]);
      // The plain loop comes first.
      ZoneAssessment plain;
      ForEachSimdPath([&](SimdPath path) {
        if (path == SimdPath::kPlain) plain = AssessZone(green, black);
        for (const ZoneAssessment& zone : {AssessZone(green, black), AssessZone(plane, black)}) {
          EXPECT_EQ(zone.threshold, plain.threshold);
          EXPECT_EQ(zone.x, plain.x);
          EXPECT_EQ(zone.y, plain.y);
          EXPECT_EQ(zone.radius, plain.radius);
          EXPECT_EQ(zone.insideCover, plain.insideCover);
          EXPECT_EQ(zone.typicalCover, plain.typicalCover);
        }
      });
      EXPECT_TRUE(plain.judged);
    }
  }
}

// A usable quarter next to a black one counts to its edge: a strip of cells
// one block wide along that edge is all that sets the grey apart.
TEST(ZoneFit, CountsAUsableQuarterToItsEdge) {
  const int half = kMosaicSize / 2;
  Picture lower = GreyPicture(kMosaicSize, kMosaicSize, 20);
  for (int r = 0; r < half; ++r) {
    for (int c = half; c < half + 4; ++c) lower.at(c, r, kBlue) = 200;
  }
  const ZoneAssessment right = AssessZone(lower, {true, false, false, false});
  EXPECT_TRUE(right.judged);
  EXPECT_EQ(right.threshold, 20);
  Picture upper = GreyPicture(kMosaicSize, kMosaicSize, 20);
  for (int r = half; r < kMosaicSize; ++r) {
    for (int c = half - 4; c < half; ++c) upper.at(c, r, kBlue) = 200;
  }
  const ZoneAssessment left = AssessZone(upper, {false, false, true, false});
  EXPECT_TRUE(left.judged);
  EXPECT_EQ(left.threshold, 20);
}

TEST(ZoneFit, FindsTheZonesOfASpreadOfConstructedWellsWithinTwelvePixels) {
  int within = 0, clear = 0;
  const std::vector<ZoneWellRecipe> spread = ZoneWellSpread();
  for (const ZoneWellRecipe& recipe : spread) {
    const ZoneFit fit = FitZone(MakeZoneWell(recipe).green, 200, 460);
    const double off = std::hypot(fit.x - recipe.zoneX, fit.y - recipe.zoneY);
    within += off <= 12 && std::abs(fit.radius - recipe.zoneRadius) <= 12;
    clear += fit.zone.clear;
  }
  EXPECT_GE(10 * within, 9 * static_cast<int>(spread.size()));
  EXPECT_GE(clear + 1, static_cast<int>(spread.size()));
}

TEST(ZoneFit, FindsTheDemoPlatesZonesMissingFieldsAside) {
  // The demo generator's wells (zones 300..380 up to 60 px off the middle),
  // a missing green field left black and out of the fit.
  int within = 0, wells = 0;
  for (int index = 0; index < 96; index += 7) {
    const DemoWell demo = DescribeDemoWell(1, index);
    const std::array<Picture, 8> fields = MakeDemoWellFields(1, index);
    BlackQuarters black{};
    WellFields green;
    for (int f = 0; f < 4; ++f) {
      black[f] = !demo.greenField[f];
      green[f] = black[f] ? Picture(kFieldSize, kFieldSize) : fields[4 + f];
    }
    if (black == BlackQuarters{true, true, true, true}) continue;
    const ZoneFit fit = FitZone(AssembleMosaic(green), 200, 460, black);
    ++wells;
    within += std::hypot(fit.x - demo.ringX, fit.y - demo.ringY) <= 12 &&
              std::abs(fit.radius - demo.zoneRadius) <= 12;
    EXPECT_TRUE(fit.zone.clear) << index;
  }
  EXPECT_GE(10 * within, 9 * wells);
}

TEST(ZoneFit, GreyContrastIsTheBandsMeanMinusTheDiscs) {
  const Picture flat = GreyPicture(kMosaicSize, kMosaicSize, 100);
  EXPECT_EQ(ZoneContrast(flat, 512, 512, 300), 0.0);
  EXPECT_EQ(ZoneContrast(flat, 5000, 5000, 10), 0.0);  // no pixel of the disc in the picture
  // Band mean minus inside mean, pixel by pixel.
  const Picture green = LatticeWell(500, 530, 100);
  double band = 0, bandPixels = 0, inside = 0, insidePixels = 0;
  for (int r = 0; r < kMosaicSize; ++r) {
    for (int c = 0; c < kMosaicSize; ++c) {
      if (InDisc(c, r, 500, 530, 100)) {
        inside += green.at(c, r, kBlue), ++insidePixels;
      } else if (InDisc(c, r, 500, 530, 100 + kZoneBand)) {
        band += green.at(c, r, kBlue), ++bandPixels;
      }
    }
  }
  EXPECT_NEAR(ZoneContrast(green, 500, 530, 100), band / bandPixels - inside / insidePixels, 1e-9);
}

}  // namespace
}  // namespace vembrel::testing
