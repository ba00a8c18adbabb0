#include "results/batch_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "core/error.h"
#include "core/text_file.h"
#include "demo/demo_plate.h"
#include "engine/workspace.h"
#include "plate/well_names.h"
#include "results/summary_file.h"
#include "support/page_cache.h"
#include "support/temp_dir.h"
#include "support/thrown.h"

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
    workspace_.openPlate((pictures_ / "DEMO_A01f00d0.tif").string());
  }
  std::string results() const { return dir_.path().string() + "/"; }
  std::vector<std::string> summaryLines() const {
    return SplitLines(ReadFile(results() + "DEMO_Vembrel.csv"));
  }
  static std::string nuclei(const BatchRun& batch, int well) {
    const auto& r = batch.results().wells[well];
    return r ? std::to_string(r->nuclei) : "";
  }

  TempDir dir_;
  fs::path pictures_;
  Workspace workspace_;
};

// Index of the first line equal to text.
std::size_t Find(const std::vector<std::string>& lines, const std::string& text) {
  const auto it = std::find(lines.begin(), lines.end(), text);
  if (it == lines.end()) ADD_FAILURE() << "no line '" << text << "'";
  return static_cast<std::size_t>(it - lines.begin());
}

TEST_F(BatchRunTest, AnalysesIncludedWellsAndWritesSummaryAndWorkbookAtTheEnd) {
  // A02 excluded, with stale results from an earlier analysis.
  workspace_.chooseWell(1);
  const PlateResults earlier = workspace_.results();
  ASSERT_TRUE(earlier.wells[1].has_value());
  workspace_.toggleExclusion(1);

  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  batch.setOpenWells({}, earlier);
  int progressCalls = 0;
  std::vector<int> progressWells;
  batch.setProgress([&](const BatchProgress& progress) {
    ++progressCalls;
    EXPECT_EQ(progress.total, kDemoWells - 1);
    EXPECT_EQ(progress.done, progressCalls);
    progressWells.push_back(progress.well);
  });
  batch.start();
  EXPECT_EQ(std::vector<int>(batch.queue().begin(), batch.queue().end()),
            (std::vector<int>{0, 2, 3, 4}));
  EXPECT_FALSE(batch.results().wells[1].has_value());  // forgotten at set-up
  int steps = 0;
  while (batch.step()) {
    ++steps;
    EXPECT_FALSE(fs::exists(results() + "DEMO_Vembrel.csv")) << "written once, at the end";
  }
  EXPECT_EQ(steps, 4);
  EXPECT_TRUE(batch.finished());
  EXPECT_TRUE(batch.failures().empty());
  EXPECT_EQ(batch.wellsAnalysed(), 4);
  EXPECT_EQ(progressWells, (std::vector<int>{0, 2, 3, 4}));
  for (int well : {0, 2, 3, 4}) {
    EXPECT_TRUE(fs::exists(results() + "JPEGS/DEMO_" + WellName(well) + ".jpg")) << well;
  }
  EXPECT_FALSE(fs::exists(results() + "JPEGS/DEMO_A02.jpg"));

  const auto lines = summaryLines();
  EXPECT_EQ(lines[8], "Circle size:\t350");
  const std::size_t grid = Find(lines, "Numer of Cells");
  EXPECT_EQ(lines[grid + 2], "A\t" + nuclei(batch, 0) + "\t\t" + nuclei(batch, 2) + "\t" +
                                 nuclei(batch, 3) + "\t" + nuclei(batch, 4) + "\t" +
                                 std::string(7, '\t'));
  const auto& a01 = *batch.results().wells[0];
  const std::size_t coordinates = Find(lines, "All X & Y coordinates");
  EXPECT_EQ(
      lines[coordinates + 3].rfind(
          "A\t" + std::to_string(a01.ring.x) + "\t" + std::to_string(a01.ring.y) + "\t\t\t", 0),
      0u);
  EXPECT_EQ(lines[Find(lines, "Density of cells") + 6 + 1], "A02\t");  // excluded: its name only
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(batch.workbookFile(), results() + "DEMO_Vembrel.xlsx");
  EXPECT_TRUE(fs::exists(batch.workbookFile()));
}

TEST_F(BatchRunTest, OpenWellsWithSettingsOfTheirOwnKeepTheirResults) {
  // A01 analysed at blue cut-off 10, then A02 at 20; both open, A02 in front.
  workspace_.chooseWell(0);
  const WellResults a01 = *workspace_.results().wells[0];
  AnalysisSettings settings = workspace_.universalSettings();
  settings.display.blue.cutoff = 20;
  workspace_.setUniversalSettings(settings);
  workspace_.chooseWell(1);

  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  batch.setOpenWells({1, 0}, workspace_.results());
  batch.start();
  EXPECT_EQ(std::vector<int>(batch.queue().begin(), batch.queue().end()),
            (std::vector<int>{1, 2, 3, 4}));
  batch.runToEnd();
  EXPECT_EQ(batch.results().wells[0]->nuclei, a01.nuclei);
  EXPECT_EQ(batch.lastSettings()->display.blue.cutoff, 20);
  const auto lines = summaryLines();
  EXPECT_EQ(lines[26], "A01 has special settings for the nucleus:");
  EXPECT_EQ(lines[26 + 7], "Blue Cutoff:\t10");
  EXPECT_EQ(lines[26 + 19], "All X & Y coordinates");  // one block only
  EXPECT_EQ(lines[14], "Blue Cutoff:\t20");            // the header has the universal values
}

TEST_F(BatchRunTest, QueueAnalysedOnWorkersStopsWhenCancelledAndEndsAsAPart) {
  // Uncancelled on two threads: the same files as the straight run would write.
  {
    BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
    batch.setWriteWorkbook(false);
    batch.start();
    std::vector<BatchWellOutcome> outcomes = batch.analyseQueued(2);
    ASSERT_EQ(outcomes.size(), std::size_t{kDemoWells});
    for (int i = 0; i < kDemoWells; ++i) EXPECT_EQ(outcomes[i].well, i);  // in queue order
    EXPECT_TRUE(batch.results().wells[0] == std::nullopt);  // untouched until complete
    batch.complete(std::move(outcomes));
    EXPECT_FALSE(batch.cancelled());
    EXPECT_TRUE(batch.finished());
    EXPECT_EQ(batch.wellsAnalysed(), kDemoWells);
    EXPECT_TRUE(fs::exists(results() + "DEMO_Vembrel.csv"));
  }
  const std::string summary = ReadFile(results() + "DEMO_Vembrel.csv");
  // Cancelled after the second well on one thread: two wells, no plate files replaced.
  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  batch.setWriteWorkbook(false);
  std::atomic<bool> cancel{false};
  batch.setProgress([&cancel](const BatchProgress& progress) {
    if (progress.done == 2) cancel = true;
  });
  batch.start();
  std::vector<BatchWellOutcome> outcomes = batch.analyseQueued(1, &cancel);
  ASSERT_EQ(outcomes.size(), std::size_t{2});
  EXPECT_EQ(outcomes[1].well, 1);
  batch.complete(std::move(outcomes));
  EXPECT_TRUE(batch.cancelled());
  EXPECT_FALSE(batch.coversWholePlate());
  EXPECT_EQ(batch.wellsAnalysed(), 2);
  EXPECT_EQ(ReadFile(results() + "DEMO_Vembrel.csv"), summary);
  EXPECT_FALSE(batch.plateFiles().empty());  // the part's manifest
  // Cancelled before any well: nothing analysed.
  BatchRun none(workspace_.plate(), workspace_.universalSettings(), results());
  none.start();
  cancel = true;
  EXPECT_TRUE(none.analyseQueued(3, &cancel).empty());
  none.complete({});
  EXPECT_TRUE(none.cancelled());
  EXPECT_EQ(none.wellsAnalysed(), 0);
}

TEST_F(BatchRunTest, EachStepHasTheNextWellsFilesReadWhileItAnalyses) {
  const auto files = [&](const char* well) {
    std::vector<std::string> paths;
    for (int field = 0; field < 4; ++field) {
      for (int channel = 0; channel < 2; ++channel) {
        paths.push_back((pictures_ / ("DEMO_" + std::string(well) + "f0" + std::to_string(field) +
                                      "d" + std::to_string(channel) + ".tif"))
                            .string());
      }
    }
    return paths;
  };
  for (const char* well : {"A02", "A03"}) {
    for (const std::string& file : files(well)) {
      if (!testing::DropFromPageCache(file))
        GTEST_SKIP() << "the file system keeps files in memory";
    }
  }
  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  batch.start();
  ASSERT_TRUE(batch.step());  // A01
  EXPECT_TRUE(testing::BecomeResident(files("A02")));
  // Only the next well: A03's wait for A02's step.
  for (const std::string& file : files("A03")) {
    EXPECT_LT(testing::ResidentPages(file), testing::FilePages(file)) << file;
  }
}

TEST_F(BatchRunTest, NothingQueuedStillWritesTheSummary) {
  for (int well = 0; well < kDemoWells; ++well) workspace_.toggleExclusion(well);
  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  batch.start();
  EXPECT_TRUE(batch.finished());
  EXPECT_FALSE(batch.step());
  const auto lines = summaryLines();
  EXPECT_EQ(lines[Find(lines, "Numer of Cells") + 2], "A\t" + std::string(12, '\t'));
}

TEST_F(BatchRunTest, SummaryThatCannotBeWrittenKeepsTheEarlierFiles) {
  fs::create_directories(results() + "DEMO_Vembrel.csv");  // a folder where the file belongs
  testing::WriteBytes(results() + "DEMO_Vembrel.xlsx", "earlier workbook");
  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  batch.runToEnd(2);
  EXPECT_EQ(batch.wellsAnalysed(), kDemoWells);
  EXPECT_NE(batch.summaryError().find(results() + "DEMO_Vembrel.csv"), std::string::npos)
      << batch.summaryError();
  EXPECT_EQ(ReadFile(results() + "DEMO_Vembrel.xlsx"), "earlier workbook");
}

}  // namespace
}  // namespace vembrel

namespace vembrel {
namespace {

TEST_F(BatchRunTest, GoTakesTheReviewedRingsOfTheResultsFoldersRingsFile) {
  const std::string rings = results() + "DEMO_Vembrel_rings.csv";
  testing::WriteBytes(rings,
                      "well,x,y,radius,source,time\n"
                      "A02,430,570,240,reviewed,2026-12-07T10:00:00+00:00\n"
                      "A04,500,500,300,fitted,2026-12-07T10:00:00+00:00\n");
  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  batch.runToEnd();
  ASSERT_TRUE(batch.rings().has_value());
  EXPECT_EQ(batch.rings()->path, rings);
  EXPECT_EQ(batch.reviewedRingsUsed(), 1);
  const auto& reviewed = batch.results().wells[1];
  ASSERT_TRUE(reviewed.has_value());
  EXPECT_EQ(reviewed->ring, (Ring{430, 570, 240}));
  EXPECT_TRUE(reviewed->ringReviewed);
  EXPECT_FALSE(batch.results().wells[3]->ringReviewed);
  EXPECT_NE(batch.results().wells[3]->ring, (Ring{500, 500, 300}));

  // Rings chosen as none: every ring fitted, the file left as it is.
  BatchRun fitted(workspace_.plate(), workspace_.universalSettings(), results());
  fitted.setRings(std::nullopt);
  fitted.runToEnd();
  EXPECT_EQ(fitted.reviewedRingsUsed(), 0);
  EXPECT_FALSE(fitted.results().wells[1]->ringReviewed);
  EXPECT_TRUE(fs::exists(rings));
}

TEST_F(BatchRunTest, ABadRingsFileStopsGoBeforeItWritesAnything) {
  const std::string rings = results() + "DEMO_Vembrel_rings.csv";
  testing::WriteBytes(rings, "well,x,y,radius,source,time\nA02,430,570,0,reviewed,2026-12-07\n");
  BatchRun batch(workspace_.plate(), workspace_.universalSettings(), results());
  const std::string refused = testing::Thrown<UsageError>([&] { batch.start(); });
  EXPECT_NE(refused.find("line 2: well A02: radius 0"), std::string::npos) << refused;
  EXPECT_FALSE(fs::exists(results() + "DEMO_Vembrel.csv"));
  EXPECT_FALSE(fs::exists(results() + "JPEGS"));
  // The lock was never taken: a run with the file put right goes ahead.
  testing::WriteBytes(rings, "well,x,y,radius,source,time\n");
  BatchRun next(workspace_.plate(), workspace_.universalSettings(), results());
  next.runToEnd();
  EXPECT_TRUE(fs::exists(results() + "DEMO_Vembrel.csv"));
}

}  // namespace
}  // namespace vembrel
