#include "imaging/immigrants.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "imaging/ring_fit.h"
#include "support/pictures.h"

namespace vembrel {
namespace {

// A random composite of 150 rows whose red bytes are 0, as composites are made.
Picture RandomComposite(int width, unsigned seed) {
  Picture composite = testing::RandomPicture(width, 150, seed);
  for (std::size_t i = 2; i < composite.bytes.size(); i += 4) composite.bytes[i] = 0;
  return composite;
}

struct Pass {
  Picture composite{1024, 1024};
  Picture ringMask{1024, 1024};
  ImmigrantSettings settings;
  Picture mask;

  Pass() { DrawRingMask(ringMask, settings.ring.x, settings.ring.y, settings.ring.radius); }
  void Mark(int c, int r) {
    composite.at(c, r, kBlue) = 255;
    composite.at(c, r, kGreen) = 255;
  }
  void Bar(int c, int r, int length) {
    for (int i = 0; i < length; ++i) Mark(c + i, r);
  }
  ImmigrantCounts Run() { return CountImmigrants(composite, settings, mask); }
};

double RedPosition(int c, int r) {
  return 57.0 + 4.0 * (r * 1024 + c);
}

TEST(CountImmigrants, CalculatedNucleiAndAverageSizeFromAcceptedArea) {
  Pass pass;
  pass.settings.minimalSize = 5;
  pass.settings.maximalSize = 25;
  pass.Bar(500, 500, 10);  // accepted
  pass.Bar(500, 520, 20);  // accepted
  pass.Bar(500, 540, 5);   // size = minimum: rejected, still counted as pixels
  pass.Bar(500, 550, 5);
  const ImmigrantCounts example = pass.Run();
  EXPECT_EQ(example.nuclei, 2);
  EXPECT_EQ(example.acceptedArea, 30);
  EXPECT_EQ(example.pixels, 40);
  EXPECT_EQ(example.calculatedNuclei, 3);  // 2 x 40 / 30 + 0.5 = 3.17
  EXPECT_EQ(example.averageNucleusSize, 15);
}

TEST(CountImmigrants, AverageDistanceAndSeedsInScanOrder) {
  Pass pass;
  pass.Mark(512 + 100, 512);    // 100 from the centre
  pass.Bar(512, 512 - 201, 3);  // seed 201 below the centre, scanned first
  const ImmigrantCounts counts = pass.Run();
  ASSERT_EQ(counts.nuclei, 2);
  EXPECT_DOUBLE_EQ(counts.distanceSum, 301.0);
  EXPECT_EQ(counts.averageDistance, 199);  // 350 - 150.5, integer part
  EXPECT_EQ(counts.seeds, (std::vector<double>{RedPosition(512, 311), RedPosition(612, 512)}));
}

TEST(CountImmigrants, NothingAcceptedGivesZeros) {
  Pass pass;
  pass.settings.maximalSize = 2;
  pass.Bar(500, 500, 4);
  const ImmigrantCounts counts = pass.Run();
  EXPECT_EQ(counts.nuclei, 0);
  EXPECT_EQ(counts.pixels, 4);
  EXPECT_EQ(counts.calculatedNuclei, 0);
  EXPECT_EQ(counts.averageDistance, 0);
  EXPECT_EQ(counts.averageNucleusSize, 0);
  EXPECT_TRUE(counts.seeds.empty());
}

TEST(CountImmigrants, ResultPictureIsBlackOutsideRedForAcceptedBlackForRejected) {
  Pass pass;
  pass.composite = testing::RandomPicture(1024, 1024, 4);
  for (std::size_t i = 2; i < pass.composite.bytes.size(); i += 4) pass.composite.bytes[i] = 0;
  pass.settings.lowerCutoffBlue = 200;
  pass.settings.lowerCutoffGreen = 200;
  pass.settings.maximalSize = 3;  // single and double pixels only
  const ImmigrantCounts counts = pass.Run();
  EXPECT_GT(counts.nuclei, 100);

  std::int64_t red = 0;
  std::int64_t blackedMarks = 0;
  for (int r = 0; r < 1024; ++r) {
    for (int c = 0; c < 1024; ++c) {
      const std::uint8_t* in = pass.composite.bytes.data() + pass.composite.offset(c, r);
      const std::uint8_t* out = pass.mask.bytes.data() + pass.mask.offset(c, r);
      const bool inside = pass.ringMask.at(c, r, kRed) == 255;
      const bool marked = in[kBlue] >= 200 && in[kGreen] >= 200;
      if (!inside) {
        ASSERT_TRUE(out[kBlue] == 0 && out[kGreen] == 0 && out[kRed] == 0) << c << "," << r;
      } else if (!marked) {
        ASSERT_TRUE(out[kBlue] == in[kBlue] && out[kGreen] == in[kGreen] && out[kRed] == 0);
      } else {
        ASSERT_TRUE(out[kBlue] == 0 && out[kGreen] == 0) << c << "," << r;
        red += out[kRed] == 255;
        blackedMarks += out[kRed] == 0;
      }
      ASSERT_EQ(out[kSpare], in[kSpare]);
    }
  }
  EXPECT_EQ(red, counts.acceptedArea);
  EXPECT_EQ(red + blackedMarks, counts.pixels);
  EXPECT_GT(blackedMarks, 0);
}

TEST(CountImmigrants, CutoffsInclusiveOnlyInsideTheRing) {
  Pass pass;
  pass.composite.at(500, 500, kBlue) = 30;  // both exactly at the cut-offs
  pass.composite.at(500, 500, kGreen) = 20;
  pass.composite.at(510, 500, kBlue) = 255;  // green too low
  pass.composite.at(510, 500, kGreen) = 19;
  pass.Mark(10, 10);  // outside the ring
  const ImmigrantCounts counts = pass.Run();
  EXPECT_EQ(counts.pixels, 1);
  EXPECT_EQ(counts.nuclei, 1);
  EXPECT_EQ(pass.mask.at(510, 500, kBlue), 255);
  EXPECT_EQ(pass.mask.at(510, 500, kGreen), 19);
}

TEST(CountImmigrants, RingCutFollowsTheDrawnRingMaskAlsoWhereItLeavesThePicture) {
  // Rings clipped by each edge, one beyond the picture, one of radius 0 and
  // one covering all of it; odd widths leave tails beside every span.
  const Ring rings[] = {{5, 70, 40},   {190, 3, 33}, {100, 149, 61}, {-50, 60, 49},
                        {300, 60, 20}, {60, 60, 0},  {100, 75, 500}};
  for (const int width : {203, 64}) {
    const Picture composite = RandomComposite(width, 8);
    for (const Ring& ring : rings) {
      SCOPED_TRACE(::testing::Message() << "ring " << ring.x << "," << ring.y << " r "
                                        << ring.radius << ", width " << width);
      Picture ringMask(width, 150);
      DrawRingMask(ringMask, ring.x, ring.y, ring.radius);
      ImmigrantSettings settings;
      settings.ring = ring;
      settings.lowerCutoffBlue = settings.lowerCutoffGreen = 0;
      settings.maximalSize = 1 << 30;  // every object accepted: nuclei stay red
      Picture result;
      const ImmigrantCounts counts = CountImmigrants(composite, settings, result);
      std::int64_t inside = 0;
      for (int r = 0; r < 150; ++r) {
        for (int c = 0; c < width; ++c) {
          const bool in = ringMask.at(c, r, kRed) == 255;
          inside += in ? 1 : 0;
          ASSERT_EQ(result.at(c, r, kRed), in ? 255 : 0) << c << "," << r;
          ASSERT_EQ(result.at(c, r, kSpare), composite.at(c, r, kSpare));
        }
      }
      EXPECT_EQ(counts.pixels, inside);
    }
  }
}

TEST(CountImmigrantsInRingCrop, SameCountsAndTheWholeResultsRingCrop) {
  // Rings clipped by each edge, beyond the picture, of radius 0 and larger
  // than the picture; odd widths leave tails beside every span.
  const Ring rings[] = {{5, 70, 40},   {190, 3, 33}, {100, 149, 61}, {-50, 60, 49},
                        {300, 60, 20}, {60, 60, 0},  {100, 75, 500}, {101, 80, 45}};
  for (const int width : {203, 64}) {
    const Picture composite = RandomComposite(width, 9);
    for (const Ring& ring : rings) {
      SCOPED_TRACE(::testing::Message() << "ring " << ring.x << "," << ring.y << " r "
                                        << ring.radius << ", width " << width);
      ImmigrantSettings settings;
      settings.ring = ring;
      settings.lowerCutoffBlue = settings.lowerCutoffGreen = 150;
      settings.minimalSize = 1;  // single pixels rejected and erased
      settings.maximalSize = 6;
      // A pass over the whole picture first leaves marks everywhere.
      ImmigrantSettings everywhere = settings;
      everywhere.ring = {width / 2, 75, 1000};
      Picture whole;
      CountImmigrants(composite, everywhere, whole);

      const ImmigrantCounts want = CountImmigrants(composite, settings, whole);
      // White bytes left in the crop's buffer must not show through.
      Picture crop(1000, 1000, 0xffffffff);
      const ImmigrantCounts got = CountImmigrantsInRingCrop(composite, settings, crop);
      EXPECT_EQ(crop, RingCrop(whole, ring.x, ring.y, ring.radius));
      EXPECT_EQ(got.pixels, want.pixels);
      EXPECT_EQ(got.nuclei, want.nuclei);
      EXPECT_EQ(got.acceptedArea, want.acceptedArea);
      EXPECT_EQ(got.seeds, want.seeds);
      EXPECT_EQ(got.rejected.size(), want.rejected.size());
    }
  }
}

TEST(CountImmigrants, EmptyPicturesGiveNoCounts) {
  Picture result;
  const ImmigrantCounts counts = CountImmigrants(Picture(), ImmigrantSettings{}, result);
  EXPECT_EQ(counts.pixels, 0);
  EXPECT_EQ(counts.nuclei, 0);
  EXPECT_TRUE(result.empty());
}

TEST(RingCrop, SquareAroundTheRingWithBlackBeyondThePicture) {
  const Picture picture = testing::RandomPicture(1024, 1024, 8);
  // Centre near the top left (top-down y = 1024 - 1000 = 24): the crop
  // starts 76 pixels left of and 76 above the picture.
  const Picture crop = RingCrop(picture, 24, 1000, 100);
  ASSERT_EQ(crop.width, 200);
  ASSERT_EQ(crop.height, 200);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) {
      const int sx = x - 76, sy = y - 76;
      const std::uint8_t* got = crop.topDown(x, y);
      for (int k = 0; k < 4; ++k) {
        const int want = sx < 0 || sy < 0 ? 0 : picture.topDown(sx, sy)[k];
        ASSERT_EQ(got[k], want) << x << "," << y;
      }
    }
  }
  const Picture corner = RingCrop(picture, 1023, 0, 10);
  EXPECT_EQ(corner.topDown(9, 9)[kBlue], picture.topDown(1022, 1023)[kBlue]);
  EXPECT_EQ(corner.topDown(10, 9)[kBlue], picture.topDown(1023, 1023)[kBlue]);
  EXPECT_EQ(corner.topDown(11, 9)[kBlue], 0);
  EXPECT_EQ(corner.topDown(10, 10)[kBlue], 0);
}

}  // namespace
}  // namespace vembrel
