#include "render/plate_heatmap.h"

#include <gtest/gtest.h>

#include <set>

#include "render/canvas.h"
#include "render/colour_map.h"

namespace vembrel {
namespace {

// The colours inside a well's box (its grid lines left out).
std::set<std::tuple<int, int, int>> Colours(Picture& picture, const HeatmapGrid& grid, int panel,
                                            int well) {
  const HeatmapBox box = HeatmapWellBox(grid, panel, well);
  Canvas canvas(picture);
  std::set<std::tuple<int, int, int>> colours;
  for (int y = box.top + 1; y < box.bottom; ++y) {
    for (int x = box.left + 1; x < box.right; ++x) {
      const Rgb c = canvas.GetPixel(x, y);
      colours.insert({c.r, c.g, c.b});
    }
  }
  return colours;
}

std::tuple<int, int, int> Of(Rgb c) {
  return {c.r, c.g, c.b};
}

// The 96-well plate and the 384-well one, whose smaller boxes hold the same marks.
TEST(PlateHeatmaps, WellsShowTheirValueColourAndMarks) {
  for (const auto& [rows, columns] : {std::pair(8, 12), std::pair(16, 24)}) {
    SCOPED_TRACE(rows * columns);
    std::vector<std::string> rowNames;
    for (int row = 0; row < rows; ++row) rowNames.emplace_back(1, static_cast<char>('A' + row));
    HeatmapPlate plate(rows, columns, rowNames);
    const int last = rows * columns - 1;
    plate.heading = "Plate X";
    for (int panel = 0; panel < 3; ++panel) {
      HeatmapPanel& p =
          plate.panels.emplace_back(plate.emptyPanel("Panel " + std::to_string(panel)));
      p.values[0] = 10;  // A01: lowest
      p.labels[0] = "10";
      p.values[1] = 20;  // A02: middle
      p.labels[1] = "20";
      p.values[last] = 30;  // H12 or P24: highest
      p.labels[last] = "30";
    }
    plate.excluded[2] = true;    // A03
    plate.failed[3] = true;      // A04
    plate.flagged[last] = true;  // H12 or P24
    Picture picture = DrawPlateHeatmaps(plate);
    const HeatmapGrid& grid = plate.grid;
    ASSERT_GT(picture.width, HeatmapWellBox(grid, 1, last).right);  // two panels side by side
    ASSERT_GT(picture.height, HeatmapWellBox(grid, 2, last).bottom);
    EXPECT_EQ(HeatmapWellBox(grid, 0, columns).top, HeatmapWellBox(grid, 0, 0).bottom)
        << "the second row under the first";
    EXPECT_EQ(HeatmapWellBox(grid, 0, 1).left, HeatmapWellBox(grid, 0, 0).right);

    for (int panel = 0; panel < 3; ++panel) {
      SCOPED_TRACE(panel);
      const auto low = Colours(picture, grid, panel, 0);
      EXPECT_TRUE(low.count(Of(ViridisColour(0.0))));
      EXPECT_TRUE(low.count(Of(kWhite))) << "the value in white on dark violet";
      EXPECT_TRUE(Colours(picture, grid, panel, 1).count(Of(ViridisColour(0.5))));
      const auto high = Colours(picture, grid, panel, last);
      EXPECT_TRUE(high.count(Of(ViridisColour(1.0))));
      EXPECT_TRUE(high.count(Of(kBlack))) << "the value in black on yellow";
      EXPECT_TRUE(high.count({255, 140, 0})) << "flagged";
      EXPECT_FALSE(low.count({255, 140, 0}));
      EXPECT_EQ(Colours(picture, grid, panel, 2),
                (std::set<std::tuple<int, int, int>>{{232, 232, 232}, {150, 150, 150}}))
          << "hatched";
      EXPECT_TRUE(Colours(picture, grid, panel, 3).count({190, 190, 190})) << "failed";
      EXPECT_EQ(Colours(picture, grid, panel, 4),
                (std::set<std::tuple<int, int, int>>{Of(kWhite)}));
    }
  }
}

}  // namespace
}  // namespace vembrel
