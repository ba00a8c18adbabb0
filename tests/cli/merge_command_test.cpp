// Parts of a plate's run put together: shards give exactly the whole run's
// files; parts made differently are refused, wells no part analysed named.
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
  TempDir dir_;
};

TEST_F(MergeCommandTest, ShardsPutTogetherGiveTheWholeRunsFiles) {
  ASSERT_EQ(batch("whole").exitCode, 0);
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    const CommandRun part = batch(std::string("part") + shard[0], std::string("--shard ") + shard);
    ASSERT_EQ(part.exitCode, 0) << part.err;
    EXPECT_FALSE(fs::exists(dir_.file(std::string("part") + shard[0] + "/DEMO_Vembrel.csv")));
  }
  const CommandRun merge =
      RunVembrel("merge " + Quoted(dir_.file("part1")) + " " + Quoted(dir_.file("part2")) + " " +
                 Quoted(dir_.file("part3")) + " --results " + Quoted(dir_.file("merged")));
  ASSERT_EQ(merge.exitCode, 0) << merge.err;
  EXPECT_NE(merge.out.find("Put together 8 wells from 3 parts"), std::string::npos) << merge.out;
  ExpectSameFiles(ResultFiles(dir_.file("merged")), ResultFiles(dir_.file("whole")));

  // Two parts of three leave wells no part analysed: the files are written, the run fails.
  const CommandRun partial =
      RunVembrel("merge " + Quoted(dir_.file("part1")) + " " + Quoted(dir_.file("part3")) +
                 " --results " + Quoted(dir_.file("partial")));
  EXPECT_EQ(partial.exitCode, 1);
  EXPECT_NE(partial.err.find("no part analysed the wells A02, A05, A08"), std::string::npos)
      << partial.err;
}

TEST_F(MergeCommandTest, PartsMadeDifferentlyAreRefusedNamingTheDifference) {
  WriteBytes(dir_.file("other.VLS"), SettingsText({{"Cent_LCB", "90"}}));
  ASSERT_EQ(batch("a", "--wells A01-A04").exitCode, 0);
  ASSERT_EQ(batch("b", "--wells A05-A08 --settings " + Quoted(dir_.file("other.VLS"))).exitCode, 0);
  const CommandRun merge =
      RunVembrel("merge " + Quoted(dir_.file("a")) + " " + Quoted(dir_.file("b")) + " --results " +
                 Quoted(dir_.file("merged")));
  EXPECT_EQ(merge.exitCode, 2);
  EXPECT_NE(merge.err.find("The parts differ in settings"), std::string::npos) << merge.err;
  EXPECT_FALSE(fs::exists(dir_.file("merged/DEMO_Vembrel.csv")));

  const CommandRun notARun = RunVembrel("merge " + Quoted(dir_.file("pictures")) + " --results " +
                                        Quoted(dir_.file("merged")));
  EXPECT_EQ(notARun.exitCode, 2);
  EXPECT_NE(notARun.err.find("holds no run manifest"), std::string::npos) << notARun.err;
}

}  // namespace
}  // namespace vembrel::testing
