// `vembrel well`: what the program prints is what the well window shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "engine/cell_level.h"
#include "engine_fixture.h"
#include "plate/settings_file.h"
#include "support/command_run.h"

namespace vembrel::testing {
namespace {

TEST(WellCommand, JsonHoldsTheResultsOfTheWellWindowAtCellLevel) {
  PlateFixture plate;
  plate.writeWell("A01", CellsBlue, CellsGreen);
  AnalysisSettings settings;
  settings.ring.increment = 40;
  const std::string settingsFile = plate.dir.file("s.VLS");
  WriteSettingsFile(settingsFile, settings);
  const std::string pictures = plate.dir.file("pictures");

  const CommandRun run =
      RunVembrel("well " + Quoted(plate.anyPicture()) + " A01 --json --export --settings " +
                 Quoted(settingsFile) + " --pictures " + Quoted(pictures));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json json = nlohmann::json::parse(run.out);
  for (const char* name : {"green_ring", "composite", "result", "crop"}) {
    EXPECT_TRUE(std::filesystem::exists(pictures + "/A01_" + name + ".png")) << name;
  }
  const std::string results = plate.dir.path().string() + "/";
  EXPECT_TRUE(std::filesystem::exists(results + "CellShape/T_A01_Cell_Data_VL.csv"));
  EXPECT_TRUE(std::filesystem::exists(results + "CellJPEGS/T_A01.jpg"));

  plate.state->central = settings;
  WellWindow& window = plate.open("A01");
  window.setCheckBox(3, true);
  const ProgramState& s = *plate.state;
  EXPECT_EQ(json["well"], "A01");
  EXPECT_EQ(json["ring"]["x"], kRingX);
  EXPECT_EQ(json["ring"]["y"], kRingY);
  EXPECT_EQ(json["ring"]["radius"], kRing);
  EXPECT_EQ(std::to_string(json["nuclei"].get<int>()), window.label("Label13"));
  EXPECT_EQ(std::to_string(json["pixels"].get<int>()), window.label("Label14"));
  EXPECT_EQ(std::to_string(json["calculated_nuclei"].get<int>()), window.label("Label15"));
  EXPECT_EQ(std::to_string(json["average_distance"].get<int>()), window.label("Label29"));
  EXPECT_EQ(std::to_string(json["total_nuclei"].get<int>()), window.label("Label31"));
  EXPECT_EQ(std::to_string(json["average_nucleus_size"].get<int>()),
            s.results[0].ResultAvgNucleusSize);
  ASSERT_EQ(json["density"].size(), s.DensityTable[0].size());
  for (std::size_t k = 0; k < s.DensityTable[0].size(); ++k) {
    EXPECT_EQ(std::to_string(json["density"][k]["cells"].get<int>()), s.DensityTable[0][k].cells);
    EXPECT_EQ(std::to_string(json["density"][k]["area"].get<int>()), s.DensityTable[0][k].area);
  }
  ASSERT_FALSE(s.RadiiLabels.empty());
  EXPECT_EQ(json["radii"].get<std::vector<std::string>>(), s.RadiiLabels);
  EXPECT_EQ(s.RadiiLabels[0], "390");
  EXPECT_EQ(json["max_text"], window.label("Label30"));
  EXPECT_EQ(json["cells"],
            nlohmann::json::parse(CellLevelJson(CellLevel(window).DoTheCell(nullptr)).dump()));
  EXPECT_EQ(json["cells"]["kept"], 2);
}

TEST(WellCommand, FailsWithoutOutputOnBadInput) {
  PlateFixture plate;
  plate.writeWell("A01");
  const std::string nothing = plate.dir.file("nothing.tif");
  const CommandRun missingPicture = RunVembrel("well " + Quoted(nothing) + " A01");
  EXPECT_NE(missingPicture.exitCode, 0);
  EXPECT_NE(missingPicture.err.find(nothing), std::string::npos) << missingPicture.err;
  const CommandRun badName = RunVembrel("well " + Quoted(plate.anyPicture()) + " Z99");
  EXPECT_NE(badName.exitCode, 0);
  EXPECT_NE(badName.err.find("Z99"), std::string::npos) << badName.err;
  const CommandRun emptyWell = RunVembrel("well " + Quoted(plate.anyPicture()) + " B01 --json");
  EXPECT_NE(emptyWell.exitCode, 0);
  EXPECT_TRUE(emptyWell.out.empty());
  EXPECT_NE(emptyWell.err.find("B01"), std::string::npos) << emptyWell.err;
}

}  // namespace
}  // namespace vembrel::testing
