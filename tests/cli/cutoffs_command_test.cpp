// Each well's own nucleus cut-offs on the command line: recorded in the
// wells' JSON, the wells table and the manifest; part of the request, so a
// resumed run with the other mode analyses again (putting parts together is
// the merge command's test); a bad mode is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class CutoffsCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteDemoPlate(dir_.file("pictures"), 5, {0, 1, 2, 3}); }
  std::string picture() const { return dir_.file("pictures") + "/DEMO_A01f00d0.tif"; }
  std::string folder(const std::string& name) const { return dir_.file(name); }
  CommandRun batch(const std::string& results, const std::string& extra) const {
    return RunVembrel("batch " + Quoted(picture()) + " --json --jobs 2 --progress none " + extra +
                      " --results " + Quoted(folder(results)));
  }
  TempDir dir_;
};

TEST_F(CutoffsCommandTest, EachWellsCutoffsAreRecordedWhereverItsResultsAre) {
  const CommandRun run = batch("own", "--cutoffs well");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Json manifest = Json::parse(ReadFile(folder("own") + "/DEMO_Vembrel_run.json"));
  EXPECT_EQ(manifest.at("cutoffs").at("mode"), "well");
  const auto table = SplitLines(ReadFile(folder("own") + "/DEMO_Vembrel_wells.csv"));
  const std::vector<std::string> columns = CsvFields(table.at(0));
  const auto blueColumn = std::find(columns.begin(), columns.end(), "nucleus_blue_cutoff");
  ASSERT_NE(blueColumn, columns.end());
  const auto blue = static_cast<std::size_t>(blueColumn - columns.begin());
  EXPECT_EQ(columns.at(blue + 1), "nucleus_green_cutoff");
  EXPECT_EQ(columns.at(blue + 2), "qc");
  int wells = 0;
  for (const std::string& line : SplitLines(run.out)) {
    if (line.empty()) continue;
    const Json well = Json::parse(line);
    const std::string name = well.at("well").get<std::string>();
    const Json cutoffs = {{"blue", well.at("nucleus_blue_cutoff")},
                          {"green", well.at("nucleus_green_cutoff")}};
    EXPECT_EQ(manifest.at("cutoffs").at("wells").at(name), cutoffs) << name;
    const std::vector<std::string> row = CsvFields(table.at(1 + std::stoi(name.substr(1)) - 1));
    EXPECT_EQ(row.at(1), name);
    EXPECT_EQ(row.at(blue), std::to_string(cutoffs.at("blue").get<int>())) << name;
    EXPECT_EQ(row.at(blue + 1), std::to_string(cutoffs.at("green").get<int>())) << name;
    ++wells;
  }
  EXPECT_EQ(wells, 4);

  // The plate's cut-offs are another request: every well is analysed again,
  // and the files say nothing of cut-offs.
  const CommandRun plate = batch("own", "--resume");
  ASSERT_EQ(plate.exitCode, 0) << plate.err;
  EXPECT_NE(plate.err.find("4 records not reused (4 made for another request)"), std::string::npos)
      << plate.err;
  EXPECT_EQ(plate.out.find("cutoff"), std::string::npos);
  EXPECT_EQ(ReadFile(folder("own") + "/DEMO_Vembrel_wells.csv").find("cutoff"), std::string::npos);
  EXPECT_EQ(ReadFile(folder("own") + "/DEMO_Vembrel_run.json").find("\"cutoffs\""),
            std::string::npos);
  const CommandRun again = batch("own", "--resume --cutoffs plate");
  EXPECT_NE(again.err.find("Analysed 0 wells, reused 4"), std::string::npos) << again.err;
}

TEST_F(CutoffsCommandTest, TheWellCommandGivesTheWellsCutoffsAndBadModesAreRefused) {
  const CommandRun own = RunVembrel("well " + Quoted(picture()) + " A02 --json --cutoffs well");
  ASSERT_EQ(own.exitCode, 0) << own.err;
  const Json well = Json::parse(own.out);
  const Json cutoffs = {{"blue", well.at("nucleus_blue_cutoff")},
                        {"green", well.at("nucleus_green_cutoff")}};
  EXPECT_GE(cutoffs.at("blue").get<int>(), 1);
  const CommandRun text = RunVembrel("well " + Quoted(picture()) + " A02 --cutoffs well");
  EXPECT_NE(text.out.find("Nucleus cut-offs of the well: blue " +
                          std::to_string(cutoffs.at("blue").get<int>()) + ", green " +
                          std::to_string(cutoffs.at("green").get<int>())),
            std::string::npos)
      << text.out;
  const std::string results = " --results " + Quoted(folder("bad"));
  for (const std::string& command :
       {"well " + Quoted(picture()) + " A02", "batch " + Quoted(picture()) + results}) {
    const CommandRun bad = RunVembrel(command + " --cutoffs wells");
    EXPECT_EQ(bad.exitCode, 2) << command;
    EXPECT_NE(bad.err.find("'wells' is not well or plate"), std::string::npos) << bad.err;
  }
  EXPECT_FALSE(fs::exists(folder("bad")));
  const CommandRun series =
      RunVembrel("batch " + Quoted(picture()) + " " + Quoted(picture()) + " --cutoffs well");
  EXPECT_EQ(series.exitCode, 2);
  EXPECT_NE(series.err.find("--cutoffs well is not for a time series"), std::string::npos)
      << series.err;
}

}  // namespace
}  // namespace vembrel::testing
