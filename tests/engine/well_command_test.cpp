// `vembrel well`: the JSON printed by the program matches the well window.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "engine_fixture.h"
#include "plate/settings_file.h"

namespace vembrel::testing {
namespace {

struct ProgramRun {
  int status = -1;
  std::string out;
};

ProgramRun RunVembrel(const std::string& arguments) {
  ProgramRun run;
  FILE* pipe = popen((std::string(VEMBREL_BINARY) + " " + arguments + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
  run.status = pclose(pipe);
  return run;
}

TEST(WellCommand, PrintsTheResultsOfTheWellWindowAsJson) {
  PlateFixture plate;
  plate.writeWell("A01", NucleiBlue, RingGreen);
  CentralSettings settings;
  settings.Cent_RISI = 40;
  const std::string settingsFile = plate.dir.file("s.VLS");
  WriteSettingsFile(settingsFile, settings);
  const std::string pictures = plate.dir.file("pictures");

  const ProgramRun run = RunVembrel("well " + plate.anyPicture() + " A01 --json --settings " +
                                    settingsFile + " --pictures " + pictures);
  ASSERT_EQ(run.status, 0) << run.out;
  const nlohmann::json json = nlohmann::json::parse(run.out);

  plate.state->central = settings;
  WellWindow& window = plate.open("A01");
  const ProgramState& s = *plate.state;
  EXPECT_EQ(json["well"], "A01");
  EXPECT_EQ(json["ring"]["x"], 600);
  EXPECT_EQ(json["ring"]["y"], 450);
  EXPECT_EQ(json["ring"]["radius"], 350);
  EXPECT_EQ(json["nuclei"], 4);
  EXPECT_EQ(std::to_string(json["pixels"].get<int>()), window.label("Label14"));
  EXPECT_EQ(std::to_string(json["calculated_nuclei"].get<int>()), window.label("Label15"));
  EXPECT_EQ(std::to_string(json["average_distance"].get<int>()), window.label("Label29"));
  EXPECT_EQ(json["total_nuclei"], 7);
  EXPECT_EQ(std::to_string(json["average_nucleus_size"].get<int>()),
            s.results[0].ResultAvgNucleusSize);
  ASSERT_EQ(json["density"].size(), s.DensityTable[0].size());
  for (std::size_t k = 0; k < s.DensityTable[0].size(); ++k) {
    EXPECT_EQ(std::to_string(json["density"][k]["cells"].get<int>()), s.DensityTable[0][k].cells);
    EXPECT_EQ(std::to_string(json["density"][k]["area"].get<int>()), s.DensityTable[0][k].area);
  }
  EXPECT_EQ(json["radii"].get<std::vector<std::string>>(), s.RadiiLabels);
  EXPECT_EQ(json["radii"][0], "390");
  EXPECT_EQ(json["max_text"], window.label("Label30"));
  for (const char* name : {"green_ring", "composite", "result", "crop"}) {
    EXPECT_TRUE(std::filesystem::exists(pictures + "/A01_" + name + ".png")) << name;
  }
}

TEST(WellCommand, FailsWithoutOutputOnBadInput) {
  PlateFixture plate;
  plate.writeWell("A01", NucleiBlue, RingGreen);
  EXPECT_NE(RunVembrel("well " + plate.dir.file("nothing.tif") + " A01").status, 0);
  EXPECT_NE(RunVembrel("well " + plate.anyPicture() + " Z99").status, 0);
  const ProgramRun missing = RunVembrel("well " + plate.anyPicture() + " B01 --json");
  EXPECT_NE(missing.status, 0);
  EXPECT_TRUE(missing.out.empty());
}

}  // namespace
}  // namespace vembrel::testing
