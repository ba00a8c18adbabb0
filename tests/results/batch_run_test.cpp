#include "results/batch_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/error.h"
#include "core/text_file.h"
#include "engine/workspace.h"
#include "plate/demo_plate.h"
#include "plate/well_names.h"
#include "results/summary_file.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

constexpr int kDemoWells = 5;  // A01 .. A05

// A small demo plate in <dir>/pictures; results go to <dir>/.
class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pictures_ = dir_.path() / "pictures";
    fs::create_directories(pictures_);
    WriteDemoPlate(pictures_.string(), 7, {0, 1, 2, 3, 4});
    workspace_.FileOpen((pictures_ / "DEMO_A01f00d0.tif").string());
    for (int well = 0; well < kDemoWells; ++well) {
      ASSERT_EQ(workspace_.plate().wells[well].state, 1) << well;
    }
  }
  std::string results() const { return dir_.path().string() + "/"; }
  std::vector<std::string> summaryLines() const {
    return SplitLines(ReadFile(results() + "DEMO_Vembrel.csv"));
  }

  TempDir dir_;
  fs::path pictures_;
  ProgramState state_;
  Workspace workspace_{state_};
};

// Index of the first line equal to text at or after from.
std::size_t Find(const std::vector<std::string>& lines, const std::string& text,
                 std::size_t from = 0) {
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i] == text) return i;
  }
  ADD_FAILURE() << "no line '" << text << "'";
  return lines.size();
}

TEST_F(BatchRunTest, AnalysesIncludedWellsAndWritesSummaryAndWorkbook) {
  // A02 excluded by a right click, with stale results from an earlier run.
  state_.results[1].ResultNuclei = "999";
  state_.DensityTable[1] = {{"1", "2"}};
  workspace_.selectphoto(1, MouseButton::Right);
  ASSERT_EQ(workspace_.plate().wells[1].state, 0);

  BatchRun batch(workspace_);
  int progressCalls = 0;
  batch.setProgress([&](int done, int total) {
    ++progressCalls;
    EXPECT_EQ(total, kDemoWells - 1);
    EXPECT_EQ(done, progressCalls);
  });
  batch.start();
  EXPECT_TRUE(state_.BatchRunning);
  EXPECT_EQ(std::vector<int>(batch.queue().begin(), batch.queue().end()),
            (std::vector<int>{0, 2, 3, 4}));
  EXPECT_EQ(state_.results[1], WellResultTexts{});  // cleared at set-up
  EXPECT_TRUE(state_.DensityTable[1].empty());
  EXPECT_EQ(summaryLines().size(), 26u);  // the header is visible at once

  int steps = 0;
  while (batch.step()) {
    ++steps;
    EXPECT_TRUE(workspace_.windows().empty());  // each step closes its window
    EXPECT_NE(state_.DoneSignal, "-");
  }
  EXPECT_EQ(steps, 4);
  EXPECT_TRUE(batch.finished());
  EXPECT_FALSE(state_.BatchRunning);
  EXPECT_TRUE(batch.failures().empty());
  EXPECT_EQ(batch.wellsAnalysed(), 4);
  EXPECT_EQ(progressCalls, 4);
  for (int well : {0, 2, 3, 4}) {
    EXPECT_FALSE(state_.results[well].ResultNuclei.empty()) << well;
    EXPECT_TRUE(fs::exists(results() + "JPEGS/DEMO_" + WellName(well) + ".jpg")) << well;
  }
  EXPECT_FALSE(fs::exists(results() + "JPEGS/DEMO_A02.jpg"));

  const auto lines = summaryLines();
  ASSERT_GT(lines.size(), 26u);
  EXPECT_EQ(lines[8], "Circle size:\t350");
  const std::size_t grid = Find(lines, "Numer of Cells");
  const std::string a = lines[grid + 2];
  EXPECT_EQ(a, "A\t" + state_.results[0].ResultNuclei + "\t\t" + state_.results[2].ResultNuclei +
                   "\t" + state_.results[3].ResultNuclei + "\t" + state_.results[4].ResultNuclei +
                   "\t" + std::string(7, '\t'));
  const std::size_t coordinates = Find(lines, "All X & Y coordinates");
  EXPECT_EQ(
      lines[coordinates + 3].substr(0, lines[coordinates + 3].find("\t\t\t") + 3),
      "A\t" + state_.results[0].ResultRingX + "\t" + state_.results[0].ResultRingY + "\t\t\t");
  const std::size_t density = Find(lines, "Density of cells");
  EXPECT_EQ(lines[density + 6 + 1], "A02\t");  // excluded: only its name
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(batch.summaryFile(), results() + "DEMO_Vembrel.csv");
  EXPECT_EQ(batch.workbookFile(), results() + "DEMO_Vembrel.xlsx");
  EXPECT_TRUE(fs::exists(batch.workbookFile()));
}

TEST_F(BatchRunTest, GoWithoutIncludedWellsWritesOnlyTheHeaderAndStops) {
  for (int well = 0; well < kDemoWells; ++well) workspace_.selectphoto(well, MouseButton::Right);
  BatchRun batch(workspace_);
  batch.start();
  EXPECT_TRUE(batch.finished());
  EXPECT_FALSE(state_.BatchRunning);  // later interactive passes must not write snapshots
  EXPECT_FALSE(batch.step());
  EXPECT_EQ(summaryLines().size(), 26u);
  EXPECT_FALSE(fs::exists(results() + "DEMO_Vembrel.xlsx"));
}

TEST_F(BatchRunTest, OpenWindowsWithSettingsOfTheirOwnKeepTheirResults) {
  // A01 analysed at blue cut-off 10, then A02 at 20; both windows stay open.
  workspace_.selectphoto(0, MouseButton::Left);
  const WellResultTexts a01 = state_.results[0];
  state_.central.display.blue.cutoff = 20;
  workspace_.selectphoto(1, MouseButton::Left);
  ASSERT_EQ(workspace_.windows().size(), 2u);
  ASSERT_EQ(state_.central.display.blue.cutoff, 20);

  BatchRun batch(workspace_);
  batch.start();
  EXPECT_TRUE(workspace_.windows().empty());
  EXPECT_EQ(std::vector<int>(batch.queue().begin(), batch.queue().end()),
            (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(workspace_.plate().wells[0].state, 1);  // the batch mark is gone again
  EXPECT_EQ(state_.WellSettings[kBatchSnapshotRow], ToWellSettingsRow(state_.central));
  batch.runToEnd();
  EXPECT_EQ(state_.results[0], a01);

  const auto lines = summaryLines();
  EXPECT_EQ(lines[26], "A01 has special settings for the nucleus:");
  EXPECT_EQ(lines[26 + 7], "Blue Cutoff:\t10");
  EXPECT_EQ(lines[26 + 19], "All X & Y coordinates");  // one block only
  EXPECT_EQ(lines[14], "Blue Cutoff:\t20");            // the header has the central values
}

TEST_F(BatchRunTest, WindowOpenedBetweenStepsGivesItsOwnResults) {
  BatchRun batch(workspace_);
  batch.start();
  ASSERT_TRUE(batch.step());                     // A01
  workspace_.selectphoto(1, MouseButton::Left);  // the user opens the next queued well
  const WellResultTexts a02 = state_.results[1];
  state_.results[1].ResultNuclei = "from the window";
  ASSERT_TRUE(batch.step());  // A02: no new pass, so DoneSignal stays "-"
  EXPECT_TRUE(batch.failures().empty());
  EXPECT_EQ(state_.results[1].ResultNuclei, "from the window");
  EXPECT_EQ(workspace_.findWindow("A02"), nullptr);
  batch.runToEnd();
  EXPECT_EQ(batch.wellsAnalysed(), kDemoWells);
  EXPECT_FALSE(a02.ResultNuclei.empty());
}

TEST_F(BatchRunTest, FailedWellIsBlankAndReportedAndTheBatchGoesOn) {
  state_.results[2].ResultNuclei = "999";  // stale results of an earlier analysis
  state_.DensityTable[2] = {{"1", "2"}};
  // A folder where A03's snapshot would be written makes its pass fail.
  fs::create_directories(results() + "JPEGS/DEMO_A03.jpg");

  BatchRun batch(workspace_);
  batch.runToEnd();
  ASSERT_EQ(batch.failures().size(), 1u);
  EXPECT_EQ(batch.failures()[0].well, 2);
  EXPECT_NE(batch.failures()[0].message.find("A03"), std::string::npos)
      << batch.failures()[0].message;
  EXPECT_NE(batch.failures()[0].message.find("DEMO_A03.jpg"), std::string::npos);
  EXPECT_EQ(batch.wellsAnalysed(), kDemoWells - 1);
  EXPECT_EQ(state_.results[2], WellResultTexts{});
  EXPECT_TRUE(state_.DensityTable[2].empty());
  EXPECT_FALSE(state_.results[3].ResultNuclei.empty());  // the next well was analysed
  EXPECT_TRUE(workspace_.windows().empty());
  EXPECT_FALSE(state_.BatchRunning);

  const auto lines = summaryLines();
  const std::size_t grid = Find(lines, "Numer of Cells");
  EXPECT_EQ(lines[grid + 2].find("999"), std::string::npos);
  EXPECT_EQ(lines[Find(lines, "Density of cells") + 6 + 2], "A03\t");
}

TEST_F(BatchRunTest, SummaryFileThatCannotBeWrittenStopsTheBatchCleanly) {
  workspace_.setResultsFolder(dir_.file("missing/folder"));
  workspace_.selectphoto(0, MouseButton::Left);
  BatchRun batch(workspace_);
  try {
    batch.start();
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(dir_.file("missing/folder/DEMO_Vembrel.csv")),
              std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(state_.BatchRunning);
  EXPECT_EQ(workspace_.windows().size(), 1u);  // nothing was closed
}

}  // namespace
}  // namespace vembrel
