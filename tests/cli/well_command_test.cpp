// `vembrel well`: what the program prints is what a session of the well holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "plate/settings_file.h"
#include "results/results_json.h"
#include "support/command_run.h"
#include "support/constructed_well.h"

namespace vembrel::testing {
namespace {

TEST(WellCommand, JsonHoldsTheSessionsResultsAtCellLevel) {
  PlateFixture fixture;
  fixture.writeWell("A01", CellsBlue, CellsGreen);
  AnalysisSettings settings;
  settings.ring.increment = 40;
  const std::string settingsFile = fixture.dir.file("s.VLS");
  WriteSettingsFile(settingsFile, settings);
  const std::string pictures = fixture.dir.file("pictures");

  const CommandRun run =
      RunVembrel("well " + Quoted(fixture.anyPicture()) + " A01 --json --export --settings " +
                 Quoted(settingsFile) + " --pictures " + Quoted(pictures));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const nlohmann::json json = nlohmann::json::parse(run.out);
  for (const char* name :
       {"green_ring", "composite", "result", "crop", "whole_well", "cell_gallery"}) {
    EXPECT_TRUE(std::filesystem::exists(pictures + "/A01_" + name + ".png")) << name;
  }
  const std::string results = fixture.dir.path().string() + "/";
  EXPECT_TRUE(std::filesystem::exists(results + "CellShape/T_A01_Cell_Data_VL.csv"));
  EXPECT_TRUE(std::filesystem::exists(results + "CellJPEGS/T_A01.jpg"));

  SessionOptions options;
  options.cellLevel = true;
  const auto session = fixture.open("A01", std::move(options), settings);
  EXPECT_EQ(json, nlohmann::json::parse(WellResultsJson(*session).dump()));
  EXPECT_EQ(json["ring_x"], kRingX);
  EXPECT_EQ(json["radii"][0], "390");
  EXPECT_EQ(json["cells_kept"], 2);
}

TEST(WellCommand, UnusableInputIsExitTwoWithoutOutput) {
  PlateFixture fixture;
  fixture.writeWell("A01");
  const std::string nothing = fixture.dir.file("nothing.tif");
  const CommandRun missingPicture = RunVembrel("well " + Quoted(nothing) + " A01");
  EXPECT_EQ(missingPicture.exitCode, 2);
  EXPECT_NE(missingPicture.err.find(nothing), std::string::npos) << missingPicture.err;
  const CommandRun badName = RunVembrel("well " + Quoted(fixture.anyPicture()) + " Z99");
  EXPECT_EQ(badName.exitCode, 2);
  EXPECT_NE(badName.err.find("Z99"), std::string::npos) << badName.err;
  const CommandRun emptyWell = RunVembrel("well " + Quoted(fixture.anyPicture()) + " B01 --json");
  EXPECT_EQ(emptyWell.exitCode, 2);
  EXPECT_TRUE(emptyWell.out.empty());
  EXPECT_NE(emptyWell.err.find("B01"), std::string::npos) << emptyWell.err;
}

TEST(WellCommand, FitRadiusTakesRangesWithin1To2048AndRefusesOthersWithExitTwo) {
  PlateFixture fixture;
  fixture.writeWell("A01");
  const std::string well = "well " + Quoted(fixture.anyPicture()) + " A01 --json --fit-radius ";
  for (const char* range : {"300:200", "0:300", "300:2049", "-5:300", "300", "a:b", "300:"}) {
    const CommandRun refused = RunVembrel(well + range);
    EXPECT_EQ(refused.exitCode, 2) << range;
    EXPECT_TRUE(refused.out.empty()) << range;
    EXPECT_NE(refused.err.find("--fit-radius"), std::string::npos) << refused.err;
  }
  for (const char* range : {"1:2048", "350:350"}) {
    const CommandRun run = RunVembrel(well + range);
    ASSERT_EQ(run.exitCode, 0) << range << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["ring_radius"], kRing) << range;
  }
}

}  // namespace
}  // namespace vembrel::testing
