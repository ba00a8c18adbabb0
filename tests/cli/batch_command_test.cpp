// The command-line batch as users run it: the real program on a demo plate.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/settings_text.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

class BatchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(pictures_);
    WriteDemoPlate(pictures_.string(), 3, {0, 1, 2, 3, 4, 5});
  }
  std::string picture() const { return (pictures_ / "DEMO_A01f00d0.tif").string(); }
  TempDir dir_;
  fs::path pictures_ = dir_.path() / "plate" / "pictures";
};

TEST_F(BatchCommandTest, JobCountAndJsonDoNotChangeAnyFile) {
  const fs::path one = dir_.path() / "new" / "one";  // created with its parents
  const fs::path two = dir_.path() / "two";
  const CommandRun first =
      RunVembrel("batch '" + picture() + "' --cells --jobs 1 --results '" + one.string() + "'");
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.out.find("Analysed 6 wells, 0 failed"), std::string::npos) << first.out;
  EXPECT_NE(first.out.find((one / "DEMO_Vembrel.csv").string()), std::string::npos) << first.out;
  // --json prints one line per well, in plate order, as the well command
  // prints it, and changes no file.
  const CommandRun second = RunVembrel(
      "batch '" + picture() + "' --cells --jobs 2 --json --results '" + two.string() + "'");
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_NE(second.err.find("Analysed 6 wells, 0 failed"), std::string::npos) << second.err;
  std::vector<nlohmann::json> lines;
  for (const std::string& line : SplitLines(second.out)) {
    if (!line.empty()) lines.push_back(nlohmann::json::parse(line));  // stdout is JSON alone
  }
  ASSERT_EQ(lines.size(), 6u) << second.out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i]["well"], "A0" + std::to_string(i + 1));
  }
  const CommandRun well = RunVembrel("well " + Quoted(picture()) + " A02 --cells --json");
  ASSERT_EQ(well.exitCode, 0) << well.err;
  EXPECT_EQ(lines[1], nlohmann::json::parse(well.out));

  const auto a = ResultFiles(one);
  const auto b = ResultFiles(two);
  EXPECT_TRUE(a.count("DEMO_Vembrel.csv"));
  EXPECT_TRUE(a.count("DEMO_Vembrel.xlsx"));  // byte for byte: its creation time is the plate's
  EXPECT_TRUE(a.count("DEMO_Vembrel_report.html"));
  EXPECT_TRUE(a.count("JPEGS/DEMO_A06.jpg"));
  ExpectSameFiles(b, a);
}

TEST_F(BatchCommandTest, UnusableInputStopsBeforeAnythingIsWrittenNamingTheCause) {
  fs::create_directories(dir_.path() / "stray");
  WriteBytes(dir_.file("stray/x_A01f00d0.tif"), "not a plate");
  WriteBytes(dir_.file("bad.VLS"), SettingsText({{"Cent_MINS", "1000000"}}));
  const std::string blocker = dir_.file("not a folder");
  WriteBytes(blocker, "keep me");
  const struct {
    std::string arguments;
    std::string named;  // in the message on stderr
    int exitCode;
  } cases[] = {
      {Quoted(dir_.file("nothing.tif")), dir_.file("nothing.tif"), 2},
      {Quoted(dir_.file("stray/x_A01f00d0.tif")), "", 2},
      {Quoted(picture()) + " --jobs 0", "", 2},
      {Quoted(picture()) + " --settings " + Quoted(dir_.file("bad.VLS")),
       "Cent_MINS value '1000000' is outside 0..999999", 2},
      {Quoted(picture()) + " --results " + Quoted(blocker), blocker, 2},
  };
  for (const auto& c : cases) {
    const CommandRun run = RunVembrel("batch " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir_.path() / "plate" / "DEMO_Vembrel.csv")) << c.arguments;
  }
  EXPECT_EQ(ReadFile(blocker), "keep me");
}

TEST(DemoCommand, UsesThePlateThatIsThereAndSaysWhereTheResultsAre) {
  TempDir dir;
  const std::string folder = dir.file("demo");
  WriteDemoPlate(folder + "/pictures", 1, {0, 1});
  const auto written = fs::last_write_time(folder + "/pictures/DEMO_A01f00d0.tif");
  const CommandRun run = RunVembrel("demo '" + folder + "'");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.find("Writing the demo plate"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Analysed 2 wells, 0 failed"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Results are in " + folder + "/"), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(folder + "/pictures/DEMO_A03f00d0.tif"));
  EXPECT_EQ(fs::last_write_time(folder + "/pictures/DEMO_A01f00d0.tif"), written);
  EXPECT_TRUE(fs::exists(folder + "/DEMO_Vembrel.csv"));
  EXPECT_TRUE(fs::exists(folder + "/DEMO_Vembrel.xlsx"));
  EXPECT_TRUE(fs::exists(folder + "/JPEGS/DEMO_A02.jpg"));
}

TEST(AwkwardNames, NonAsciiAndSpacesInFolderAndPrefix) {
  TempDir dir;
  const std::string folder = dir.file("Zürich plate ü 1");
  WriteDemoPlate(folder, 5, {0});
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    fs::rename(entry.path(), fs::path(folder) / ("Ünï cöde_" + name.substr(5)));
  }
  const std::string picture = folder + "/Ünï cöde_A01f00d0.tif";
  const CommandRun plate = RunVembrel("plate " + Quoted(picture));
  EXPECT_EQ(plate.exitCode, 0) << plate.err;
  EXPECT_NE(plate.out.find("Prefix:   Ünï cöde_\n"), std::string::npos) << plate.out;

  const CommandRun batch = RunVembrel("batch " + Quoted(picture) + " --jobs=1");
  EXPECT_EQ(batch.exitCode, 0) << batch.err;
  // The manifest's command line gives the arguments back as a shell takes them.
  const std::string manifest = ReadFile(dir.file("Ünï cöde_Vembrel_run.json"));
  EXPECT_NE(manifest.find("'" + picture + "' --jobs=1\""), std::string::npos) << manifest;
  const std::string summary = dir.file("Ünï cöde_Vembrel.csv");
  ASSERT_TRUE(fs::exists(summary)) << batch.out;
  EXPECT_NE(ReadFile(summary).find(folder), std::string::npos);
  EXPECT_TRUE(fs::exists(dir.file("Ünï cöde_Vembrel.xlsx")));
}

}  // namespace
}  // namespace vembrel::testing
