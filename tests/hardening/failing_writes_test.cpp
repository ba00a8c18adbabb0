// Every writer of result and settings files replaces its target only once the
// new content is complete: when writing fails, the earlier good file is kept
// byte for byte, the error names the file, and no temporary is left behind.
// A folder in the place of the temporary file makes the write fail even for
// root, who is not stopped by permissions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "core/error.h"
#include "imaging/image_files.h"
#include "plate/analysis_settings.h"
#include "plate/demo_plate.h"
#include "plate/settings_file.h"
#include "results/spreadsheet.h"
#include "results/summary_file.h"
#include "support/command_run.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

void ExpectGoodFileSurvives(const std::string& target, const std::function<void()>& write) {
  SCOPED_TRACE(target);
  std::ofstream(target, std::ios::binary) << "earlier good content";
  fs::create_directory(target + ".part");
  try {
    write();
    ADD_FAILURE() << "the write did not fail";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(target), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(target), "earlier good content");
  fs::remove(target + ".part");
  const auto entries = std::distance(fs::directory_iterator(fs::path(target).parent_path()), {});
  EXPECT_EQ(entries, 1) << "something beside the target was left behind";
  fs::remove(target);
}

TEST(FailingWrites, EveryWriterKeepsTheEarlierFile) {
  TempDir dir;
  Picture picture(16, 16);
  ExpectGoodFileSurvives(dir.file("settings.VLS"),
                         [&] { WriteSettingsFile(dir.file("settings.VLS"), AnalysisSettings{}); });
  ExpectGoodFileSurvives(dir.file("snap.jpg"), [&] { WriteJpeg(picture, dir.file("snap.jpg")); });
  ExpectGoodFileSurvives(dir.file("snap.png"), [&] { WritePng(picture, dir.file("snap.png")); });
  ExpectGoodFileSurvives(dir.file("book.xlsx"), [&] {
    WriteWorkbook(dir.file("book.xlsx"), {{"a", "b"}, {"1"}});
  });
  ExpectGoodFileSurvives(dir.file("summary.txt"), [&] {
    WriteSummaryFile(dir.file("summary.txt"), {"Header", "line"}, {"results"});
  });
}

TEST(FailingWrites, CellExportThatCannotWriteKeepsTheEarlierDataFile) {
  TempDir dir;
  WriteDemoPlate(dir.file("plate"), 5, {2});  // A03 keeps cells at the defaults
  const std::string command =
      "well " + Quoted(dir.file("plate/DEMO_A03f00d0.tif")) + " A03 --export";
  const CommandRun first = RunVembrel(command);
  ASSERT_EQ(first.exitCode, 0) << first.err;
  const std::string data = dir.file("CellShape/DEMO_A03_Cell_Data_VL.csv");
  const std::string snapshot = dir.file("CellJPEGS/DEMO_A03.jpg");
  ASSERT_TRUE(fs::exists(data));
  ASSERT_TRUE(fs::exists(snapshot));
  const std::string goodData = ReadFile(data);
  const std::string goodSnapshot = ReadFile(snapshot);

  // The snapshot cannot be replaced: the data file is new, the old snapshot stays.
  fs::create_directory(snapshot + ".part");
  const CommandRun noSnapshot = RunVembrel(command);
  EXPECT_EQ(noSnapshot.exitCode, 1);
  EXPECT_NE(noSnapshot.err.find("'" + snapshot + "'"), std::string::npos) << noSnapshot.err;
  EXPECT_EQ(ReadFile(snapshot), goodSnapshot);
  EXPECT_FALSE(fs::exists(data + ".part"));
}

}  // namespace
}  // namespace vembrel::testing
