// The plate and settings subcommands, run as the real program.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "demo/demo_plate.h"
#include "plate/analysis_settings.h"
#include "plate/settings_file.h"
#include "support/command_run.h"
#include "support/layout_plate.h"
#include "support/settings_text.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

TEST(PlateCommand, ShowsPrefixAndMapAmongUnrelatedFiles) {
  TempDir dir;
  const std::uint32_t seed = 9;
  const int blueOnly =
      FindDemoWell(seed, [](const DemoWell& w) { return !w.greenField[0] && !w.greenField[1]; });
  ASSERT_GE(blueOnly, 0);
  const std::string folder = dir.file("p");
  WriteDemoPlate(folder, seed, {0, blueOnly});
  for (int i = 0; i < 3000; ++i) {
    WriteBytes(folder + "/note " + std::to_string(i) + (i % 3 == 0 ? ".tif" : ".txt"), "x");
  }
  std::filesystem::create_directory(folder + "/DEMO_B01f00d0.tif");  // a folder named as a picture

  const CommandRun run = RunVembrel("plate " + Quoted(folder + "/DEMO_A01f00d0.tif"));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Path:     " + folder + "/\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Prefix:   DEMO_\nLayout:   native <prefix><well>f0<field>d<channel>.tif; "
                         "nuclear stain d0, cell stain d1\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("Included: 1 of 96 wells\nNote:     Fewer than four fields in 1 well"),
            std::string::npos);
  EXPECT_NE(run.out.find("\nA  +CCCC -.... -...."), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("-BBBB"), std::string::npos);
  // The pictures were written today: the date reads as ISO 8601.
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  char iso[16];
  std::strftime(iso, sizeof iso, "%Y-%m-%d", &today);
  EXPECT_NE(run.out.find(std::string("Measured: ") + iso + "\n"), std::string::npos) << run.out;

  const CommandRun missing = RunVembrel("plate " + Quoted(folder + "/none.tif"));
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("'" + folder + "/none.tif': no such file or folder"),
            std::string::npos)
      << missing.err;
}

TEST(PlateCommand, ListsTimePointsAndReadsTheOneChosen) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  const MosaicGrey grey = [](int c, int r) { return (c + r) % 200; };
  for (int t : {1, 2, 4}) WriteLayoutWell(folder, OperettaNames(1, t), "A01", {1, 2}, grey, grey);

  const CommandRun run = RunVembrel("plate " + Quoted(folder) + " --time 4 --json");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["time_point"], 4);
  EXPECT_EQ(json["time_points"], nlohmann::json({1, 2, 4}));
  EXPECT_NE(RunVembrel("plate " + Quoted(folder)).out.find("Time:     point 1 of 3\n"),
            std::string::npos);

  const CommandRun beyond = RunVembrel("plate " + Quoted(folder) + " --time 3");
  EXPECT_EQ(beyond.exitCode, 2);
  EXPECT_NE(beyond.err.find("no file is of time point 3 (time points found: 1, 2, 4)"),
            std::string::npos)
      << beyond.err;
  EXPECT_EQ(RunVembrel("plate " + Quoted(folder) + " --time 0").exitCode, 2);
}

TEST(PlateCommand, OpensAFolderWithItsOptionsAndRefusesBadOnes) {
  TempDir dir;
  const std::string zone = dir.file("zone");
  const MosaicGrey grey = [](int c, int r) { return (c + r) % 200; };
  WriteLayoutWell(zone, ImageXpressNames("P"), "A01", {1, 2}, grey, grey, 0xF, 0b0111);

  const CommandRun run = RunVembrel("plate " + Quoted(zone + "/") + " --channels 2,1");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Prefix:   P_\nLayout:   ImageXpress-style <plate>_<well>_s<site>_w<n>["
                         "<32 hex digits>].tif|.TIF; nuclear stain w2, cell stain w1\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\nA  +CCCG -...."), std::string::npos) << run.out;

  const std::pair<std::string, std::string> refused[] = {
      {"--channels 1",
       "--channels: Channels '1': give the nuclear and the cell stain's channel "
       "numbers, two different numbers such as 1,2"},
      {"--layout tiff", "--layout: Unknown layout 'tiff'"},
      {"--plane 0", "--plane: Value 0 not in range 1 to 99"},
  };
  for (const auto& [options, message] : refused) {
    const CommandRun bad = RunVembrel("plate " + Quoted(zone) + " " + options);
    EXPECT_EQ(bad.exitCode, 2) << options;
    EXPECT_NE(bad.err.find(message), std::string::npos) << bad.err;
  }

  const CommandRun none = RunVembrel("plate " + Quoted(zone) + " --layout operetta");
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("vembrel: No well found in '" + zone +
                          "/': no file name fits the layout "
                          "Operetta/Harmony-style"),
            std::string::npos)
      << none.err;
}

TEST(SettingsCommand, PrintsTheValuesOrNamesTheFileAndValue) {
  TempDir dir;
  AnalysisSettings settings;
  settings.ring.radius = 300;
  settings.cells.smoothness = 0.5;
  WriteSettingsFile(dir.file("good.VLS"), settings);
  const CommandRun good = RunVembrel("settings " + Quoted(dir.file("good.VLS")));
  EXPECT_EQ(good.exitCode, 0) << good.err;
  EXPECT_NE(good.out.find("Cent_COG         10\n"), std::string::npos) << good.out;
  EXPECT_NE(good.out.find("Cent_KFRb        TRUE\n"), std::string::npos);
  EXPECT_NE(good.out.find("Cent_diam        300\n"), std::string::npos);
  EXPECT_NE(good.out.find("Cent_Cell_Coeff  0.5\n"), std::string::npos);
  EXPECT_EQ(std::count(good.out.begin(), good.out.end(), '\n'), 17);

  const std::string bad = dir.file("bad settings.VLS");
  WriteBytes(bad, SettingsText({{"Cent_diam", "2000"}}));
  const CommandRun refused = RunVembrel("settings " + Quoted(bad));
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("vembrel: Settings file '" + bad +
                             "': Cent_diam value '2000' is outside 1..1024"),
            std::string::npos)
      << refused.err;
  EXPECT_TRUE(refused.out.empty()) << refused.out;

  const CommandRun missing = RunVembrel("settings " + Quoted(dir.file("none.VLS")));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("'" + dir.file("none.VLS") + "'"), std::string::npos) << missing.err;
}

TEST(SuggestCommand, WritesSettingsThatFindTheNucleiAndSaysWhy) {
  TempDir dir;
  // Nuclei of 4 x 4 pixels, which base settings for larger nuclei miss.
  const std::string picture = WriteSmallPlate(dir.file("pictures"), "S_", {{"A01"}, {"B05"}});
  const std::string base = dir.file("base.VLS");
  WriteBytes(base, SettingsText({{"Cent_MINS", "40"}, {"Cent_MAXS", "200"}}));
  const auto totalNuclei = [&](const std::string& settings) {
    const CommandRun well = RunVembrel("well " + Quoted(picture) + " A01 --json" + settings);
    EXPECT_EQ(well.exitCode, 0) << well.err;
    return nlohmann::json::parse(well.out).at("total_nuclei").get<int>();
  };
  ASSERT_EQ(totalNuclei(" --settings " + Quoted(base)), 0);

  const std::string output = dir.file("suggested.VLS");
  const CommandRun suggest = RunVembrel("suggest " + Quoted(picture) + " --settings " +
                                        Quoted(base) + " --output " + Quoted(output));
  ASSERT_EQ(suggest.exitCode, 0) << suggest.err;
  EXPECT_NE(suggest.out.find("Looked at wells A01, B05"), std::string::npos) << suggest.out;
  EXPECT_NE(suggest.out.find("median size 16 "), std::string::npos) << suggest.out;
  // The small plate's zone: a dark disc of radius 200.
  EXPECT_NE(suggest.out.find("Ring radius 200: the median of the cell-free zones fitted in A01 "
                             "200, B05 200."),
            std::string::npos)
      << suggest.out;
  EXPECT_EQ(ReadSettingsFile(output).ring.radius, 200);
  EXPECT_EQ(RunVembrel("settings " + Quoted(output)).exitCode, 0);
  EXPECT_EQ(totalNuclei(" --settings " + Quoted(output)), 17 * 17);

  const CommandRun nowhere = RunVembrel("suggest " + Quoted(picture) + " --wells C01");
  EXPECT_EQ(nowhere.exitCode, 2);
  EXPECT_NE(nowhere.err.find("None of the wells asked for"), std::string::npos) << nowhere.err;
}

}  // namespace
}  // namespace vembrel::testing
