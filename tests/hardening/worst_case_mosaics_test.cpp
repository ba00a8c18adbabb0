// The whole analysis of one well on mosaics built to be as hard as possible
// for its region growing and scans: everything marked, a one-pixel
// checkerboard, one giant nucleus, a dense lattice of small nuclei. The pass
// must finish with consistent figures (its time is watched in the fuzz runs
// and benchmarks, not here).
#include <gtest/gtest.h>

#include "imaging/cell_segmentation.h"
#include "imaging/cell_shape.h"
#include "imaging/composite.h"
#include "imaging/immigrants.h"
#include "imaging/nuclei.h"
#include "imaging/ring_fit.h"
#include "support/pictures.h"

namespace vembrel::testing {
namespace {

struct PassFigures {
  int total = 0;  // nuclei of the whole mosaic
  ImmigrantCounts counts;
  int cells = 0;
  int shaped = 0;
};

PassFigures RunPass(const MosaicGrey& blue, const MosaicGrey& green, int radius) {
  const Picture blueMosaic = GreyPicture(kMosaicSize, kMosaicSize, blue);
  Picture greenMosaic = GreyPicture(kMosaicSize, kMosaicSize, green);
  Picture composite;
  MakeComposite(blueMosaic, greenMosaic, ChannelWindow{}, ChannelWindow{}, composite);
  const RingSearchResult ring = FitRing(greenMosaic, radius);
  DrawRingMask(greenMosaic, ring.x, ring.y, radius);
  NucleusScanSettings scan;
  scan.ringRadius = radius;
  scan.ringX = ring.x;
  scan.ringY = ring.y;
  PassFigures figures;
  figures.total = ScanNuclei(composite, scan).total;

  ImmigrantSettings count;
  count.ringRadius = radius;
  count.ringX = ring.x;
  count.ringY = ring.y;
  Picture mask;
  figures.counts = CountImmigrants(composite, greenMosaic, count, mask);

  CellSegmentationSettings cell;
  cell.ringCentreX = ring.x;
  cell.ringCentreY = ring.y;
  cell.radius = radius;
  cell.cellCutoff = 0;
  cell.minSize = 1;
  cell.maxSize = 65536;
  CellColourGenerator colours;
  CellSegmentation segmentation =
      SegmentCells(composite, greenMosaic, mask, figures.counts.seeds, cell, colours);
  figures.cells = segmentation.kept();
  ShapeSettings shape;
  shape.ring = {ring.x, ring.y, radius};
  figures.shaped = static_cast<int>(AnalyseShapes(segmentation.cells, shape).cells.size());
  return figures;
}

TEST(WorstCaseMosaics, OversizedNucleiAreRejectedWhole) {
  const MosaicGrey white = [](int, int) { return 255; };
  const MosaicGrey giant = [](int column, int row) {
    const int dx = column - 512, dy = row - 512;
    return dx * dx + dy * dy < 200 * 200 ? 255 : 0;
  };
  for (const MosaicGrey& blue : {white, giant}) {
    const PassFigures f = RunPass(blue, white, 350);
    EXPECT_EQ(f.total, 0);
    EXPECT_EQ(f.counts.nuclei, 0);
    EXPECT_TRUE(f.counts.seeds.empty());
    EXPECT_EQ(f.cells, 0);
  }
}

TEST(WorstCaseMosaics, CheckerboardAndDenseLatticeFinishConsistently) {
  const MosaicGrey checker = [](int column, int row) { return (column + row) % 2 ? 255 : 0; };
  const PassFigures board = RunPass(checker, checker, 600);
  EXPECT_EQ(board.counts.seeds.size(), static_cast<std::size_t>(board.counts.nuclei));
  EXPECT_EQ(board.shaped, board.cells);

  // 2 x 2 nuclei every 4 pixels in a bright green field: tens of thousands of
  // seeds, each grown into the green around it.
  const MosaicGrey lattice = [](int column, int row) {
    return column % 4 < 2 && row % 4 < 2 ? 255 : 0;
  };
  const PassFigures dense = RunPass(
      lattice, [](int, int) { return 200; }, 500);
  EXPECT_GT(dense.counts.nuclei, 10000);
  EXPECT_EQ(dense.counts.seeds.size(), static_cast<std::size_t>(dense.counts.nuclei));
  EXPECT_LE(dense.cells, dense.counts.nuclei);
  EXPECT_EQ(dense.shaped, dense.cells);
}

}  // namespace
}  // namespace vembrel::testing
