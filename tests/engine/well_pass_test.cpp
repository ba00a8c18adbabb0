// The analysis pass of a well window on constructed wells: counts worked out
// by hand from the construction, the density profile as the scan hands it
// over, the mended failure cases and the batch snapshot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine_fixture.h"
#include "imaging/image_files.h"
#include "render/canvas.h"
#include "support/tiff_writer.h"

namespace vembrel::testing {
namespace {

struct Expected {
  std::int64_t nuclei = 0, pixels = 0, area = 0;
  double distanceSum = 0;
  std::vector<double> seeds;
  int totalAccepted = 0;
};

// Straight from the construction: every block is one nucleus, its seed the bottom-left pixel.
Expected FromBlocks() {
  std::vector<Block> blocks(kBlocks.begin(), kBlocks.end());
  std::sort(blocks.begin(), blocks.end(),
            [](const Block& a, const Block& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  Expected e;
  for (const Block& b : blocks) {
    if (b.accepted()) ++e.totalAccepted;
    if (!b.inRing) continue;
    e.pixels += b.size();
    if (!b.accepted()) continue;
    ++e.nuclei;
    e.area += b.size();
    e.distanceSum +=
        std::sqrt(double((kRingX - b.x) * (kRingX - b.x) + (kRingY - b.y) * (kRingY - b.y)));
    e.seeds.push_back(57.0 + 4.0 * (b.y * 1024 + b.x));
  }
  return e;
}

class WellPass : public ::testing::Test {
 protected:
  void SetUp() override { plate.writeWell("A01"); }
  PlateFixture plate;
};

TEST_F(WellPass, CountsTheImmigrantNucleiOfTheConstructedWell) {
  WellWindow& window = plate.open("A01");
  ProgramState& s = *plate.state;
  const Expected e = FromBlocks();
  ASSERT_EQ(e.nuclei, 4);
  ASSERT_EQ(window.ringX(), kRingX);
  ASSERT_EQ(window.ringY(), kRingY);

  EXPECT_EQ(window.label("Label13"), std::to_string(e.nuclei));
  EXPECT_EQ(window.label("Label14"), std::to_string(e.pixels));
  EXPECT_EQ(window.label("Label15"),
            std::to_string(std::int64_t(double(e.nuclei * e.pixels) / double(e.area) + 0.5)));
  EXPECT_EQ(window.label("Label29"), std::to_string(std::int64_t(kRing - e.distanceSum / 4)));
  EXPECT_EQ(window.label("Label31"), std::to_string(e.totalAccepted));
  EXPECT_EQ(window.label("Label43"), "0/4");
  EXPECT_EQ(s.ObjectList, e.seeds);
  EXPECT_EQ(s.DoneSignal, "4");

  const WellResultTexts& r = s.results[0];
  EXPECT_EQ(r.ResultRingX, "600");
  EXPECT_EQ(r.ResultRingY, "450");
  EXPECT_EQ(r.ResultNuclei, "4");
  EXPECT_EQ(r.ResultAvgNucleusSize, std::to_string(std::int64_t(e.area / 4.0 + 0.5)));
  EXPECT_EQ(r.ResultNuclearArea, std::to_string(e.pixels));
  EXPECT_EQ(r.ResultCalcNuclei, window.label("Label15"));
  EXPECT_EQ(s.WellSettings[0], ToWellSettingsRow(s.central));

  // Result picture: accepted nuclei red, rejected ones black, outside the ring black.
  const Picture& result = window.image(4);
  EXPECT_EQ(result, s.MaskPict);
  for (const Block& b : kBlocks) {
    const bool red = b.inRing && b.accepted();
    EXPECT_EQ(result.at(b.x, b.y, kRed), red ? 255 : 0) << b.x << "," << b.y;
    EXPECT_EQ(result.at(b.x, b.y, kBlue), 0);
  }
  EXPECT_EQ(result.at(kRingX, kRingY, kGreen), window.image(3).at(kRingX, kRingY, kGreen));
  EXPECT_EQ(result.at(5, 1020, kGreen), 0);

  // The crop shows the count in white at its lower right.
  const Picture& crop = window.image(5);
  ASSERT_EQ(crop.width, 700);
  ASSERT_EQ(crop.height, 700);
  int white = 0;
  for (int y = 685; y < 685 + Canvas::TextHeight() && y < 700; ++y) {
    for (int x = 700 - Canvas::TextWidth("4") - 3; x < 697; ++x) {
      const std::uint8_t* p = crop.topDown(x, y);
      if (p[0] == 255 && p[1] == 255 && p[2] == 255) ++white;
    }
  }
  EXPECT_GT(white, 0);
}

TEST_F(WellPass, NoAcceptedNucleusEmptiesTheProfileButKeepsTheRadii) {
  WellWindow& window = plate.open("A01");
  ProgramState& s = *plate.state;
  ASSERT_FALSE(s.DensityTable[0].empty());
  ASSERT_FALSE(window.label("Label30").empty());
  const std::vector<std::string> radii = s.RadiiLabels;

  window.setScrollBar(9, 255);  // no nucleus reaches a green cut-off of 255
  EXPECT_EQ(window.label("Label31"), "0");
  EXPECT_TRUE(s.DensityTable[0].empty());
  EXPECT_EQ(window.label("Label30"), "");
  EXPECT_TRUE(window.chart().heights.empty());
  EXPECT_EQ(s.RadiiLabels, radii);
  EXPECT_EQ(window.label("Label13"), "0");
  EXPECT_EQ(window.label("Label15"), "0");
  EXPECT_EQ(window.label("Label29"), "0");
  EXPECT_EQ(s.results[0].ResultAvgNucleusSize, "0");
  EXPECT_EQ(s.DoneSignal, "0");

  // Only nuclei inside the ring increment: no bin can be formed either.
  window.setScrollBar(9, 100);
  window.setEditText(2, "100");
  EXPECT_EQ(window.label("Label31"), "7");
  EXPECT_EQ(s.DensityTable[0].size(), 3u);  // the farthest lies about 330 beyond the ring
  window.setEditText(2, "1000");
  EXPECT_TRUE(s.DensityTable[0].empty());
  EXPECT_EQ(window.label("Label30"), "");
}

TEST_F(WellPass, MissingOrOddFieldsAreNamedAndLeaveTheirQuadrantsBlack) {
  plate.writeWell(
      "A02", [](int, int) { return 70; }, [](int, int) { return 90; });
  plate.writeWell(
      "A03", [](int, int) { return 70; }, [](int, int) { return 90; });
  plate.open("A02");
  // After the plate opened: A03's field 2 goes missing, field 3 becomes 256 x 256.
  std::vector<std::string> problems;
  for (const char* channel : {"d0", "d1"}) {
    const std::string gone = plate.plateFolder() + "T_A03f02" + channel + ".tif";
    const std::string small = plate.plateFolder() + "T_A03f03" + channel + ".tif";
    std::filesystem::remove(gone);
    WriteGreyTiff(small, 256, 256, std::vector<std::uint16_t>(256 * 256, 70));
    problems.push_back("Field picture '" + gone + "' does not exist");
    problems.push_back("Field picture '" + small + "' is 256 x 256 pixels, not 512 x 512");
  }
  WellWindow& window = plate.open("A03");
  std::vector<std::string> named = window.fieldProblems();
  std::sort(named.begin(), named.end());
  std::sort(problems.begin(), problems.end());
  EXPECT_EQ(named, problems);
  for (int image : {1, 2}) {
    const Picture& mosaic = window.image(image);
    EXPECT_EQ(mosaic.at(100, 100, kBlue), image == 1 ? 70 : 90);  // field 0
    EXPECT_EQ(mosaic.at(900, 100, kBlue), image == 1 ? 70 : 90);  // field 1
    EXPECT_EQ(mosaic.at(900, 900, kBlue), 0);  // field 2 missing, not A02's field
    EXPECT_EQ(mosaic.at(100, 900, kBlue), 0);  // field 3 not 512 x 512
  }
}

TEST_F(WellPass, SavesTheCropAsJpegOnlyWhileABatchRuns) {
  WellWindow& window = plate.open("A01");
  const std::filesystem::path jpegs = plate.dir.path() / "JPEGS";
  EXPECT_FALSE(std::filesystem::exists(jpegs));

  plate.state->BatchRunning = true;
  window.setScrollBar(10, 99);
  const std::filesystem::path snapshot = jpegs / "T_A01.jpg";
  ASSERT_TRUE(std::filesystem::exists(snapshot));
  const Picture saved = ReadJpeg(snapshot.string());
  EXPECT_EQ(saved.width, 700);
  EXPECT_EQ(saved.height, 700);

  plate.workspace.setResultsFolder(plate.dir.file("elsewhere"));
  window.setScrollBar(10, 98);
  EXPECT_TRUE(std::filesystem::exists(plate.dir.path() / "elsewhere" / "JPEGS" / "T_A01.jpg"));
}

TEST_F(WellPass, RunsAgainOnItsOwnWellAfterAnotherWindowsPass) {
  plate.writeWell("B01", [](int c, int r) { return NucleiBlue(c + 40, r); });
  WellWindow& a = plate.open("A01");
  ProgramState& s = *plate.state;
  const Picture mask = s.MaskPict;
  const std::vector<double> seeds = s.ObjectList;
  plate.open("B01");
  ASSERT_NE(s.ObjectList, seeds);
  a.LaatsteFig();  // unchanged settings, but the program-wide buffers are B01's now
  EXPECT_EQ(s.CurrentWell, 0);
  EXPECT_EQ(s.ObjectList, seeds);
  EXPECT_EQ(s.MaskPict, mask);
}

TEST_F(WellPass, StartTabCellsSwitchesCellLevelOnWithANestedPass) {
  plate.state->startTab = StartTab::Ce;
  WellWindow& window = plate.open("A01");
  EXPECT_EQ(window.tab(), WellTab::Cells);
  EXPECT_TRUE(window.checkBox(3));
  EXPECT_EQ(window.passCount(), 2);
  EXPECT_TRUE(window.enabled("Button8"));
  EXPECT_EQ(plate.state->controlPanelHeight, 851);
  EXPECT_EQ(plate.state->DoneSignal, "4");
}

}  // namespace
}  // namespace vembrel::testing
