// The main frame model: plate-map presses, session order, Apply, the
// universal settings that follow the well analysed last, and Open Settings.
#include "engine/workspace.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "plate/settings_file.h"
#include "support/closing_zone.h"
#include "support/constructed_well.h"
#include "support/settings_text.h"
#include "support/temp_dir.h"

namespace vembrel::testing {
namespace {

class WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture.writeWell("A01");
    fixture.writeWell("A02");
    workspace.openPlate(fixture.anyPicture());
  }
  WellSession& open(int well) {
    workspace.chooseWell(well);
    return *workspace.findSession(well);
  }
  PlateFixture fixture;
  Workspace workspace;
};

TEST_F(WorkspaceTest, PlateMapPressesOpenFrontAndCloseWells) {
  WellSession& a01 = open(0);
  WellSession& a02 = open(1);
  EXPECT_EQ(workspace.activeSession(), &a02);
  EXPECT_EQ(workspace.chosenWell(), "A02");

  workspace.chooseWell(0);  // already open: to the front, no new pass
  ASSERT_EQ(workspace.sessions().size(), 2u);
  EXPECT_EQ(workspace.activeSession(), &a01);
  EXPECT_EQ(a01.passCount(), 1);

  workspace.toggleExclusion(0);  // excluded: its session closes
  EXPECT_EQ(workspace.findSession(0), nullptr);
  EXPECT_EQ(workspace.plate().wells[0].state, 0);
  workspace.chooseWell(0);
  EXPECT_EQ(workspace.findSession(0), nullptr);
  workspace.toggleExclusion(0);  // included again
  EXPECT_EQ(workspace.plate().wells[0].state, 1);
  workspace.chooseWell(5);  // no pictures: nothing happens
  workspace.toggleExclusion(5);
  EXPECT_EQ(workspace.plate().wells[5].state, 0);
  EXPECT_EQ(workspace.sessions().size(), 1u);

  workspace.setCellLevel(true);
  EXPECT_TRUE(open(0).cellLevel());
  workspace.openPlate(fixture.anyPicture());
  EXPECT_TRUE(workspace.sessions().empty());
}

// A plate pictured twice is already a series: its wells' zone coverage is measured.
TEST(WorkspaceSeries, WellsOfTwoTimePointsAreMeasuredForTheirZoneCoverage) {
  TempDir dir;
  const std::string folder = dir.file("Images");
  for (int index = 0; index < 2; ++index) WriteClosingZoneTimePoint(folder, "A01", index);
  Workspace workspace;
  workspace.openPlate(folder);
  ASSERT_EQ(workspace.plate().timePoints.size(), 2u);
  workspace.chooseWell(0);
  EXPECT_TRUE(workspace.findSession(0)->results().zoneCoverage.has_value());
}

TEST_F(WorkspaceTest, ApplyReanalysesEveryOtherWellWithTheSendersSettings) {
  WellSession& a01 = open(0);
  WellSession& a02 = open(1);
  workspace.applyToOthers(a02);  // the only other well is A01
  EXPECT_EQ(a01.passCount(), 2);
  EXPECT_EQ(a02.passCount(), 1);

  a01.nudgeRing(RingDirection::Left);  // a manual ring move in A01
  EXPECT_EQ(workspace.results().wells[0]->ring.x, kRingX - 1);
  a02.set(SettingId::NucleiGreenCutoff, 50);
  EXPECT_EQ(workspace.universalSettings().nuclei.greenCutoff, 50);
  EXPECT_EQ(workspace.results().settingsRows[1][7], 50);
  EXPECT_EQ(workspace.results().settingsRows[0][7], 100);

  const int passes = a02.passCount();
  workspace.applyToOthers(a02);
  EXPECT_EQ(a01.settings().nuclei.greenCutoff, 50);
  EXPECT_EQ(a01.ring().x, kRingX);  // fitted afresh
  EXPECT_EQ(workspace.results().wells[0]->ring.x, kRingX);
  EXPECT_EQ(workspace.results().settingsRows[0][7], 50);
  EXPECT_EQ(a02.passCount(), passes);

  a02.setCellLevel(true);
  a02.set(SettingId::CellsMinimalSize, 44);  // the cell level alone hands nothing back...
  EXPECT_EQ(workspace.universalSettings().cells.minimalSize, 30);
  workspace.applyCellSettingsToOthers(a02);  // ...until it is applied
  EXPECT_EQ(workspace.universalSettings().cells.minimalSize, 44);
  EXPECT_EQ(a01.settings().cells.minimalSize, 44);

  workspace.closeSession(a01);
  const int alone = a02.passCount();
  workspace.applyToOthers(a02);
  EXPECT_EQ(a02.passCount(), alone);
}

TEST_F(WorkspaceTest, OpenSettingsChecksTheWholeFileBeforeApplyingIt) {
  WellSession& session = open(0);
  const AnalysisSettings before = workspace.universalSettings();
  const int passes = session.passCount();

  AnalysisSettings wanted;
  wanted.nuclei.blueCutoff = 80;
  wanted.ring.radius = 300;
  const std::string good = fixture.dir.file("good.VLS");
  WriteSettingsFile(good, wanted);
  const std::string bad = fixture.dir.file("bad.VLS");
  WriteBytes(bad, SettingsText({{"Cent_COG", "abc"}}, wanted));

  EXPECT_THROW(workspace.loadSettings(bad), Error);
  EXPECT_EQ(workspace.universalSettings(), before);
  EXPECT_EQ(session.passCount(), passes);

  workspace.loadSettings(good);
  EXPECT_EQ(session.settings().nuclei.blueCutoff, 80);
  EXPECT_EQ(session.ring().radius, 300);
  EXPECT_EQ(session.passCount(), passes + 1);
  EXPECT_EQ(workspace.universalSettings(), wanted);
}

TEST(PlateResults, RadiiGrowOnlyAndFollowTheWellThatGrewThem) {
  PlateResults results;
  WellResults a;
  a.ring.radius = 100;
  a.ringIncrement = 10;
  a.density.resize(3);
  results.record(a, AnalysisSettings{});
  EXPECT_EQ(results.radii, (std::vector<int>{110, 120, 130}));
  WellResults b = a;
  b.well = 1;
  b.ring.radius = 200;
  b.density.resize(2);  // fewer rings: the list stays
  results.record(b, AnalysisSettings{});
  EXPECT_EQ(results.radii, (std::vector<int>{110, 120, 130}));
  b.density.resize(4);
  results.record(b, AnalysisSettings{});
  EXPECT_EQ(results.radii, (std::vector<int>{210, 220, 230, 240}));
}

}  // namespace
}  // namespace vembrel::testing
