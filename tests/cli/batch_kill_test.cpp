// A batch killed at any moment leaves every earlier complete file intact or
// replaced by a complete new one, and a resumed run finishes it into exactly
// the files one whole run writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "support/command_run.h"
#include "support/result_files.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

TEST(KilledBatch, KeepsCompleteFilesAndResumesIntoTheWholeRunsFiles) {
  TempDir dir;
  WriteDemoPlate(dir.file("pictures"), 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  const std::string picture = dir.file("pictures/DEMO_A01f00d0.tif");
  const auto batch = [&](const std::string& results, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{"batch",      picture, "--cells",   "--jobs", "1",
                                       "--progress", "none",  "--results", results};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
  };
  ASSERT_EQ(WaitForProcess(StartVembrel(batch(dir.file("whole")))), 0);
  const auto whole = ResultFiles(dir.file("whole"));

  // Kills at several moments of a run into a folder that holds an earlier
  // complete run: the summary is the earlier one or a complete new one.
  ASSERT_EQ(WaitForProcess(StartVembrel(batch(dir.file("killed")))), 0);
  for (const int milliseconds : {20, 150, 400, 900}) {
    SCOPED_TRACE(milliseconds);
    const int pid = StartVembrel(batch(dir.file("killed")));
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    kill(pid, SIGKILL);
    WaitForProcess(pid);
    EXPECT_EQ(ResultFiles(dir.file("killed"))["DEMO_Vembrel.csv"].size(),
              ResultFiles(dir.file("whole"))["DEMO_Vembrel.csv"].size());
  }
  // A first run into an empty folder killed once some wells are done, then resumed.
  const int pid = StartVembrel(batch(dir.file("resumed")));
  const fs::path records = dir.file("resumed/WellResults");
  for (int waited = 0; waited < 20000; waited += 5) {
    std::error_code none;
    if (std::distance(fs::directory_iterator(records, none), fs::directory_iterator()) >= 3) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  WaitForProcess(pid);
  const CommandRun resumed =
      RunVembrel("batch " + Quoted(picture) + " --cells --jobs 1 --progress none --resume " +
                 "--results " + Quoted(dir.file("resumed")));
  ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
  ExpectSameFiles(ResultFiles(dir.file("resumed")), whole);
  EXPECT_NE(resumed.out.find("reused "), std::string::npos) << resumed.out;
  // Resuming a finished plate reuses every well.
  const CommandRun again =
      RunVembrel("batch " + Quoted(picture) + " --cells --resume --progress none --results " +
                 Quoted(dir.file("resumed")));
  EXPECT_NE(again.out.find("Analysed 0 wells, reused 12"), std::string::npos) << again.out;
  ExpectSameFiles(ResultFiles(dir.file("resumed")), whole);
}

}  // namespace
}  // namespace vembrel::testing
