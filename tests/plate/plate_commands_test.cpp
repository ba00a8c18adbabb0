// The plate and settings subcommands, run as the real program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "core/central_settings.h"
#include "core/text_file.h"
#include "plate/demo_plate.h"
#include "plate/settings_file.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::TempDir;

struct CommandRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

CommandRun Vembrel(const std::string& arguments) {
  CommandRun run;
  const std::string command = std::string(VEMBREL_BINARY) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(PlateCommands, PlateShowsPrefixAndMap) {
  TempDir dir;
  const std::uint32_t seed = 9;
  int blueOnly = -1;
  for (int well = 0; well < 96 && blueOnly < 0; ++well) {
    if (DescribeDemoWell(seed, well).greenField[0] == false &&
        DescribeDemoWell(seed, well).greenField[1] == false) {
      blueOnly = well;
    }
  }
  ASSERT_GE(blueOnly, 0);
  WriteDemoPlate(dir.file("p"), seed, {0, blueOnly});
  const CommandRun run = Vembrel("plate '" + dir.file("p/DEMO_A01f00d0.tif") + "'");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Path:     " + dir.file("p") + "/\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Prefix:   DEMO_\n"), std::string::npos);
  EXPECT_NE(run.output.find("Included: 1 of 96 wells"), std::string::npos);
  EXPECT_NE(run.output.find("\nA  +CCCC -.... -...."), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("-BBBB"), std::string::npos);

  const CommandRun missing = Vembrel("plate '" + dir.file("p/none.tif") + "'");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("none.tif"), std::string::npos);
}

TEST(PlateCommands, SettingsPrintsValuesOrTheProblem) {
  TempDir dir;
  CentralSettings settings;
  settings.Cent_diam = 300;
  settings.Cent_Cell_Coeff = 0.5;
  WriteSettingsFile(dir.file("good.VLS"), settings);
  const CommandRun good = Vembrel("settings '" + dir.file("good.VLS") + "'");
  EXPECT_EQ(good.exitCode, 0) << good.output;
  EXPECT_NE(good.output.find("Cent_COG         10\n"), std::string::npos) << good.output;
  EXPECT_NE(good.output.find("Cent_KFRb        TRUE\n"), std::string::npos);
  EXPECT_NE(good.output.find("Cent_diam        300\n"), std::string::npos);
  EXPECT_NE(good.output.find("Cent_Cell_Coeff  0.5\n"), std::string::npos);
  EXPECT_EQ(std::count(good.output.begin(), good.output.end(), '\n'), 17);

  auto lines = SettingsFileLines(settings);
  lines[13] = "5000";  // Cent_diam
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  WriteFileAtomically(dir.file("bad.VLS"), text);
  const CommandRun bad = Vembrel("settings '" + dir.file("bad.VLS") + "'");
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.output.find("vembrel: Settings file '" + dir.file("bad.VLS") + "'"),
            std::string::npos)
      << bad.output;
  EXPECT_NE(bad.output.find("Cent_diam value '5000'"), std::string::npos) << bad.output;
}

}  // namespace
}  // namespace vembrel
