#include "imaging/cell_segmentation.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/error.h"

namespace vembrel {
namespace {

// The mosaics as the cell level finds them: the composite and the result picture.
struct Well {
  Picture work{kMosaicSize, kMosaicSize};
  Picture mask{kMosaicSize, kMosaicSize};
  std::vector<double> seeds;
  CellSegmentationSettings settings;

  explicit Well(int centreX = 512, int centreY = 512, int radius = 400) {
    settings.lowerCutoffBlue = 30;
    settings.lowerCutoffGreen = 20;
    settings.cellCutoff = 40;
    settings.minSize = 3;
    settings.maxSize = 100;
    settings.ring.x = centreX;
    settings.ring.y = centreY;
    settings.ring.radius = radius;
  }
  void Nucleus(int c, int r) {
    work.at(c, r, kBlue) = 200;
    work.at(c, r, kGreen) = 60;
  }
  void Body(int c, int r, int green = 100) { work.at(c, r, kGreen) = green; }
  // A horizontal cell: one nucleus pixel at (c, r) and size - 1 body pixels to its right.
  void Strip(int c, int r, int size) {
    Nucleus(c, r);
    for (int i = 1; i < size; ++i) Body(c + i, r);
    seeds.push_back(RedBytePosition(c, r));
  }
  CellSegmentation Run() {
    CellColourGenerator colours;
    return SegmentCells(work, mask, seeds, settings, colours);
  }
  CellSegmentation RunUnpainted() const {
    CellColourGenerator colours;
    return SegmentCells(work, seeds, settings, colours);
  }
};

TEST(SegmentCells, GrowsAWholeCellAndPaintsItsGrownPixels) {
  Well well;
  for (int r = 600; r < 606; ++r) {
    for (int c = 300; c < 306; ++c) well.Body(c, r);
  }
  well.Nucleus(302, 602);
  well.Nucleus(303, 602);
  well.Nucleus(302, 603);
  well.mask.at(305, 605, kRed) = 255;  // an accepted nucleus of the result picture stays red
  well.seeds.push_back(RedBytePosition(302, 602));

  const CellSegmentation result = well.Run();
  ASSERT_EQ(result.kept(), 1);
  const CellRecord& cell = result.cells[0];
  EXPECT_EQ(cell.size(), 36);
  EXPECT_EQ(cell.nucleusSize, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(cell.pixels[i].value, 255);
  EXPECT_EQ(cell.pixels[0].x, 302);
  EXPECT_EQ(cell.pixels[0].y, kMosaicSize - 602);
  EXPECT_EQ(cell.pixels[3].value, 100);

  EXPECT_EQ(well.mask.at(302, 602, kRed), 0) << "nucleus pixels are not painted";
  EXPECT_EQ(well.mask.at(305, 605, kRed), 255);
  EXPECT_EQ(well.mask.at(305, 605, kGreen), 0);
  const std::uint8_t* painted = &well.mask.at(300, 600, kBlue);
  EXPECT_NE(painted[0] | painted[1] | painted[2], 0);
  EXPECT_LT(painted[2], 255);
}

TEST(SegmentCells, RejectsNoGrowthSecondNucleusAndTakenNeighbourhoods) {
  Well well;
  well.Nucleus(200, 500);  // a lone nucleus: nothing above the cut-off around it
  well.Body(201, 500, 40);
  well.seeds.push_back(RedBytePosition(200, 500));
  // Two touching cells: the first takes the second's nucleus, the second finds nothing left.
  well.Strip(300, 500, 10);
  well.Nucleus(310, 500);
  for (int c = 311; c < 320; ++c) well.Body(c, 500);
  well.seeds.push_back(RedBytePosition(310, 500));

  const CellSegmentation result = well.Run();
  EXPECT_EQ(result.kept(), 0);
  EXPECT_EQ(result.seeds,
            (std::vector<CellRejection>{CellRejection::NoGrowth, CellRejection::SecondNucleus,
                                        CellRejection::NoGrowth}));
  // A run leaves nothing taken behind for the next.
  EXPECT_EQ(well.Run().seeds, result.seeds);
  // The rejected region still carries its colour in the result picture.
  EXPECT_NE(
      well.mask.at(315, 500, kGreen) | well.mask.at(315, 500, kBlue) | well.mask.at(315, 500, kRed),
      0);
}

TEST(SegmentCells, SizeWindowIsStrictBelowAndInclusiveAbove) {
  Well well;
  well.Strip(300, 300, 3);    // exactly the minimum: dropped
  well.Strip(300, 310, 4);    // kept
  well.Strip(300, 320, 100);  // exactly the maximum: kept
  well.Strip(300, 330, 101);  // too large
  const CellSegmentation result = well.Run();
  EXPECT_EQ(result.seeds,
            (std::vector<CellRejection>{CellRejection::TooSmall, CellRejection::None,
                                        CellRejection::None, CellRejection::TooLarge}));
  ASSERT_EQ(result.kept(), 2);
  EXPECT_EQ(result.cells[0].size(), 4);
  EXPECT_EQ(result.cells[1].size(), 100);
}

TEST(SegmentCells, DropsCellsOnTheSeamsOnly) {
  Well well;
  well.Strip(505, 300, 7);  // reaches column 511
  well.Strip(512, 310, 4);  // starts in column 512
  well.Strip(504, 320, 7);  // ends in column 510
  well.Strip(513, 330, 4);  // starts in column 513
  // Y = 1024 - row: Y 511 is row 513, Y 512 is row 512.
  well.Strip(300, 513, 5);
  well.Strip(320, 512, 5);
  well.Strip(340, 514, 5);  // Y 510: kept
  well.Strip(360, 511, 5);  // Y 513: kept
  const CellSegmentation result = well.Run();
  using enum CellRejection;
  EXPECT_EQ(result.seeds,
            (std::vector<CellRejection>{Seam, Seam, None, None, Seam, Seam, None, None}));
}

TEST(SegmentCells, RingTestRejectsAtRadiusMinusOneAndNothingGrowsOutsideTheDisc) {
  Well well(300, 300, 200);
  // The ring centre's row: its Y equals 1024 - 300. The first strip ends 199
  // columns right of the centre (R - 1), the second at 198.
  well.Strip(495, 300, 5);
  well.Strip(494, 302, 5);
  // A cell continuing beyond the disc: growth stops at its edge (column 499).
  well.Strip(480, 310, 6);
  for (int c = 486; c < 520; ++c) well.Body(c, 310);
  const CellSegmentation result = well.Run();
  using enum CellRejection;
  EXPECT_EQ(result.seeds, (std::vector<CellRejection>{OutsideRing, None, OutsideRing}));
  EXPECT_NE(well.mask.at(499, 310, kGreen) | well.mask.at(499, 310, kBlue), 0);
  EXPECT_EQ(well.mask.at(500, 310, kGreen) | well.mask.at(500, 310, kBlue), 0);
}

TEST(SegmentCells, GrowsOnlyWithinTheRingDiscStrictlyInsideItsRadius) {
  // Centre (600, 300), radius 100: from a nucleus 50 columns right of the
  // centre, a body row runs right and a body column runs up.
  Well well(600, 300, 100);
  well.settings.maxSize = 1000;
  well.Nucleus(650, 300);
  for (int c = 651; c < 720; ++c) well.Body(c, 300);
  for (int r = 301; r < 420; ++r) well.Body(650, r);
  well.seeds.push_back(RedBytePosition(650, 300));
  well.Run();
  const auto painted = [&](int c, int r) {
    return (well.mask.at(c, r, kGreen) | well.mask.at(c, r, kBlue) | well.mask.at(c, r, kRed)) != 0;
  };
  // 99^2 < 100^2; column 700 lies exactly at the radius, outside.
  EXPECT_TRUE(painted(699, 300));
  EXPECT_FALSE(painted(700, 300));
  // 50^2 + 86^2 = 9896 < 10000 <= 50^2 + 87^2.
  EXPECT_TRUE(painted(650, 386));
  EXPECT_FALSE(painted(650, 387));
}

TEST(SegmentCells, GrowsAlongTheFirstAndLastRows) {
  for (const int row : {0, kMosaicSize - 1}) {
    Well well(512, row == 0 ? 100 : kMosaicSize - 101, 150);
    well.Strip(500, row, 6);
    const CellSegmentation result = well.Run();
    ASSERT_EQ(result.kept(), 1) << "row " << row;
    EXPECT_EQ(result.cells[0].size(), 6) << "row " << row;
  }
}

TEST(SegmentCells, SortsBySizeKeepingSeedOrderOnTies) {
  Well well;
  well.Strip(300, 300, 9);
  well.Strip(300, 310, 5);
  well.Strip(300, 320, 9);
  well.Strip(300, 330, 5);
  const CellSegmentation result = well.Run();
  ASSERT_EQ(result.kept(), 4);
  const int rows[] = {310, 330, 300, 320};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(result.cells[i].pixels[0].y, kMosaicSize - rows[i]);
}

TEST(SegmentCells, WithoutPaintingFindsTheSameCellsAndOutcomes) {
  Well well(300, 300, 200);
  well.Strip(495, 300, 5);  // outside the ring
  well.Strip(300, 310, 9);
  well.Strip(300, 320, 2);  // too small
  well.Strip(300, 330, 5);
  well.Nucleus(309, 330);  // a second nucleus at the end of the last strip
  const CellSegmentation unpainted = well.RunUnpainted();
  const Picture untouched = well.mask;
  const CellSegmentation painted = well.Run();
  EXPECT_NE(well.mask, untouched);
  EXPECT_EQ(unpainted.seeds, painted.seeds);
  ASSERT_EQ(unpainted.kept(), painted.kept());
  for (int i = 0; i < painted.kept(); ++i) {
    const CellRecord& a = unpainted.cells[i];
    const CellRecord& b = painted.cells[i];
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a.nucleusSize, b.nucleusSize);
    for (int k = 0; k < a.size(); ++k) {
      EXPECT_EQ(a.pixels[k].position, b.pixels[k].position);
      EXPECT_EQ(a.pixels[k].value, b.pixels[k].value);
    }
  }
}

TEST(SegmentCells, ColoursAreReproducibleAndSeedsOutsideThePictureRefused) {
  Well a, b;
  a.Strip(300, 300, 9);
  b.Strip(300, 300, 9);
  a.Run();
  b.Run();
  EXPECT_EQ(a.mask, b.mask);

  Well corner;
  corner.seeds = {57.0};  // first pixel: its left and lower neighbours do not exist
  EXPECT_NO_THROW(corner.Run());
  corner.seeds = {57.0 + 4.0 * kMosaicSize * kMosaicSize};
  EXPECT_THROW(corner.Run(), Error);
  corner.seeds = {58.0};
  EXPECT_THROW(corner.Run(), Error);
}

}  // namespace
}  // namespace vembrel
