// The cell level of a well window on a constructed well with two whole cells
// and one bare nucleus inside the ring: display, labels, export and its failures.
#include "engine/cell_level.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/error.h"
#include "core/text_file.h"
#include "engine_fixture.h"

namespace vembrel::testing {
namespace {

class CellLevelTest : public ::testing::Test {
 protected:
  void SetUp() override { plate.writeWell("A01", CellsBlue, CellsGreen); }
  WellWindow& openAtCellLevel() {
    WellWindow& window = plate.open("A01");
    EXPECT_EQ(window.ringX(), kRingX);
    EXPECT_EQ(window.ringY(), kRingY);
    window.setCheckBox(3, true);
    return window;
  }
  std::string resultsFolder() const { return plate.dir.path().string() + "/"; }
  PlateFixture plate;
};

TEST_F(CellLevelTest, KeepsTheWholeCellsAndDrawsTheirDisplays) {
  WellWindow& window = openAtCellLevel();
  EXPECT_EQ(window.label("Label43"), "2 c./3 tot");
  EXPECT_EQ(window.image(5).width, 2 * kRing);
  EXPECT_EQ(window.image(6).width, 240);
  EXPECT_EQ(window.image(6).height, 60);
  EXPECT_EQ(window.image(7).width, 180);
  EXPECT_EQ(window.image(7).height, 105);
  EXPECT_FALSE(window.image(8).empty());
  EXPECT_EQ(window.label("Label89").rfind("Elongation:   ", 0), 0u);
  EXPECT_EQ(window.label("Label90").rfind("Smoothness: ", 0), 0u);

  const nlohmann::ordered_json cells = CellLevelJson(CellLevel(window).DoTheCell(nullptr));
  EXPECT_EQ(cells["kept"], 2);
  EXPECT_EQ(cells["seeds"], 3);
  ASSERT_EQ(cells["list"].size(), 2u);
  EXPECT_EQ(cells["list"][0]["size"], 144);
  EXPECT_EQ(cells["list"][0]["width"], 12);
  // A 12 x 12 square: 14 x 14 grid minus the cell; the longest chord is the grid diagonal.
  EXPECT_EQ(cells["list"][0]["circumference"], 14 * 14 - 144);
  EXPECT_EQ(cells["list"][0]["length"], std::sqrt(338.0));
  EXPECT_EQ(cells["list"][0]["ratio"], std::sqrt(338.0) * std::sqrt(338.0) / 144);
  EXPECT_EQ(cells["list"][0]["class"].get<std::string>().rfind("Round &", 0), 0u);
  EXPECT_TRUE(cells["list"][0]["angle"].is_null());
  EXPECT_EQ(cells["list"][1]["size"], 240);
  EXPECT_EQ(cells["list"][1]["width"], 40);
  EXPECT_EQ(cells["list"][1]["height"], 6);
  EXPECT_EQ(cells["list"][1]["circumference"], 42 * 8 - 240);
  EXPECT_EQ(cells["list"][1]["nucleus_size"], 16);
  EXPECT_TRUE(cells["list"][1]["angle"].is_number());
  EXPECT_EQ(cells["orientation_bins"].size(), 18u);
  EXPECT_EQ(cells["radial_share"], window.gauge());
  EXPECT_EQ(cells["classes"][1].get<int>() + cells["classes"][3].get<int>() +
                cells["classes"][0].get<int>() + cells["classes"][2].get<int>(),
            2);
}

TEST_F(CellLevelTest, ColorShowsThePaintedRegionsAndBorderTheOutlines) {
  WellWindow& window = openAtCellLevel();
  const Picture border = window.image(5);
  // Pixel (552, 502) of the round cell, in crop coordinates.
  const int x = 552 - (kRingX - kRing), y = (1023 - 502) - (1024 - kRingY - kRing);
  const std::uint8_t* plain = border.topDown(x, y);
  EXPECT_EQ(plain[kRed], 0);
  EXPECT_GT(plain[kGreen], 100);

  window.setRadioButton(2);
  const std::uint8_t* painted = window.image(5).topDown(x, y);
  EXPECT_FALSE(painted[kBlue] == plain[kBlue] && painted[kGreen] == plain[kGreen] &&
               painted[kRed] == plain[kRed]);
  window.setRadioButton(1);
  EXPECT_EQ(window.image(5), border) << "same seeded colours, same drawings";
}

TEST_F(CellLevelTest, UsesItsOwnSeedsAfterAnotherWindowsPass) {
  plate.writeWell("B01", NucleiBlue, RingGreen);
  WellWindow& a = openAtCellLevel();
  plate.open("B01");
  ASSERT_NE(plate.state->ObjectList.size(), 3u);
  a.setScrollBar(20, 74);  // recalculates the cells of A01 only
  EXPECT_EQ(a.label("Label43"), "2 c./3 tot");
  EXPECT_EQ(plate.state->ObjectList.size(), 3u);
}

TEST_F(CellLevelTest, RunsAgainOnceAnotherWindowRewroteTheBuffers) {
  plate.writeWell("B01", NucleiBlue, RingGreen);
  WellWindow& a = openAtCellLevel();
  const Picture mask = plate.state->MaskPict;
  const Picture crop = a.image(5);
  plate.open("B01");
  ASSERT_FALSE(plate.state->MaskPict == mask);
  a.ReCalcCells();  // unchanged settings, but the program-wide buffers are B01's now
  EXPECT_EQ(plate.state->MaskPict, mask);
  EXPECT_EQ(a.image(5), crop);
  EXPECT_EQ(a.label("Label43"), "2 c./3 tot");
}

TEST_F(CellLevelTest, ExportWritesTheDataFileWithPrefixAndTheSnapshot) {
  WellWindow& window = openAtCellLevel();
  window.Button9Click();
  const std::string data = resultsFolder() + "CellShape/T_A01_Cell_Data_VL.csv";
  EXPECT_TRUE(std::filesystem::exists(resultsFolder() + "CellJPEGS/T_A01.jpg"));
  EXPECT_FALSE(std::filesystem::exists(resultsFolder() + "CellShape/T_A01_Cell_Data_VL.tem"));
  const std::vector<std::string> lines = SplitLines(ReadWholeFile(data));
  ASSERT_EQ(lines.size(), 34u + 20u + 2u);
  EXPECT_EQ(lines[0], "Data of Cells from well A01");
  EXPECT_EQ(lines[6], "Path:\t" + plate.plateFolder());
  EXPECT_EQ(lines[27], "Cut off Green channel:\t40");
  EXPECT_EQ(lines[30], "Shape ratio long/round\t3");
  EXPECT_EQ(lines[31], "Shape coeff rough/smooth\t0.75");
  EXPECT_EQ(lines[34], "Data from piechart");
  EXPECT_EQ(lines[38].substr(lines[38].size() - 2), "\t2");
  EXPECT_EQ(lines[54].rfind("0\t144\t12\t12\t", 0), 0u);
  EXPECT_EQ(lines[55].rfind("1\t240\t40\t6\t", 0), 0u);

  // No cell kept: the header block alone, replacing the earlier file whole.
  window.setScrollBar(6, 1000);
  window.Button9Click();
  EXPECT_EQ(SplitLines(ReadWholeFile(data)).size(), 34u);
}

TEST_F(CellLevelTest, ExportFailureNamesThePath) {
  WellWindow& window = openAtCellLevel();
  std::ofstream(resultsFolder() + "CellShape") << "a file where the folder belongs";
  try {
    window.Button9Click();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(resultsFolder() + "CellShape"), std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace vembrel::testing
