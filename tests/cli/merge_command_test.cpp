// Parts of a plate's run put together: shards give exactly the whole run's
// files, each well's own cut-offs and reviewed rings included; parts made
// differently are refused, wells no part analysed named.
#include <gtest/gtest.h>

#include <filesystem>

#include "demo/demo_plate.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/settings_text.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

class MergeCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteDemoPlate(dir_.file("pictures"), 4, {0, 1, 2, 3, 4, 5, 6, 7}); }
  CommandRun batch(const std::string& results, const std::string& extra = "") {
    return RunVembrel("batch " + Quoted(dir_.file("pictures")) + " --cells --progress none " +
                      extra + " --results " + Quoted(dir_.file(results)));
  }
  CommandRun merge(const std::vector<std::string>& parts, const std::string& results) {
    std::string arguments = "merge";
    for (const std::string& part : parts) arguments += " " + Quoted(dir_.file(part));
    return RunVembrel(arguments + " --results " + Quoted(dir_.file(results)));
  }
  TempDir dir_;
};

TEST_F(MergeCommandTest, ShardsPutTogetherGiveTheWholeRunsFiles) {
  const std::string rings = dir_.file("rings.csv");
  WriteBytes(rings,
             "well,x,y,radius,source,time\n"
             "A02,420,580,260,reviewed,2026-12-07T10:00:00+00:00\n"
             "A05,600,450,300,reviewed,2026-12-07T10:00:00+00:00\n");
  const std::string withRings = "--cutoffs well --rings " + Quoted(rings);
  ASSERT_EQ(batch("whole", withRings).exitCode, 0);
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    const CommandRun part = batch(std::string("part") + shard[0], withRings + " --shard " + shard);
    ASSERT_EQ(part.exitCode, 0) << part.err;
    EXPECT_FALSE(fs::exists(dir_.file(std::string("part") + shard[0] + "/DEMO_Vembrel.csv")));
  }
  const CommandRun merged = merge({"part1", "part2", "part3"}, "merged");
  ASSERT_EQ(merged.exitCode, 0) << merged.err;
  EXPECT_NE(merged.out.find("Put together 8 wells from 3 parts"), std::string::npos) << merged.out;
  ExpectSameFiles(ResultFiles(dir_.file("merged")), ResultFiles(dir_.file("whole")));

  // Two parts of three leave wells no part analysed: the files are written, the run fails.
  const CommandRun partial = merge({"part1", "part3"}, "partial");
  EXPECT_EQ(partial.exitCode, 1);
  EXPECT_NE(partial.err.find("no part analysed the wells A02, A05, A08"), std::string::npos)
      << partial.err;
}

TEST_F(MergeCommandTest, PartsMadeDifferentlyAreRefusedNamingTheDifference) {
  WriteBytes(dir_.file("other.VLS"), SettingsText({{"Cent_LCB", "90"}}));
  ASSERT_EQ(batch("a", "--wells A01-A04").exitCode, 0);
  ASSERT_EQ(batch("b", "--wells A05-A08 --settings " + Quoted(dir_.file("other.VLS"))).exitCode, 0);
  const CommandRun settings = merge({"a", "b"}, "merged");
  EXPECT_EQ(settings.exitCode, 2);
  EXPECT_NE(settings.err.find("The parts differ in settings"), std::string::npos) << settings.err;
  EXPECT_FALSE(fs::exists(dir_.file("merged/DEMO_Vembrel.csv")));
  ASSERT_EQ(batch("own", "--wells A05-A08 --cutoffs well").exitCode, 0);
  for (const auto& [first, second] : {std::pair{"a", "own"}, {"own", "a"}}) {
    const CommandRun mixed = merge({first, second}, "merged");
    EXPECT_EQ(mixed.exitCode, 2) << mixed.err;
    EXPECT_NE(mixed.err.find("differ in cutoffs.mode"), std::string::npos) << mixed.err;
  }

  const CommandRun notARun = merge({"pictures"}, "merged");
  EXPECT_EQ(notARun.exitCode, 2);
  EXPECT_NE(notARun.err.find("holds no run manifest"), std::string::npos) << notARun.err;
}

}  // namespace
}  // namespace vembrel::testing
