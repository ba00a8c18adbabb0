// The main frame model: plate-map clicks, window order, Apply and Open Settings.
#include <gtest/gtest.h>

#include "core/error.h"
#include "engine_fixture.h"
#include "plate/settings_file.h"
#include "support/settings_text.h"

namespace vembrel::testing {
namespace {

class WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plate.writeWell("A01");
    plate.writeWell("A02");
  }
  PlateFixture plate;
  Workspace& ws = plate.workspace;
};

TEST_F(WorkspaceTest, PlateMapClicksOpenFrontAndCloseWellWindows) {
  WellWindow& a01 = plate.open("A01");
  WellWindow& a02 = plate.open("A02");
  EXPECT_EQ(ws.activeWindow(), &a02);
  EXPECT_EQ(plate.state->largeWellLabel, "A02");

  ws.selectphoto(0, MouseButton::Left);  // already open: brought to the front, no new pass
  ASSERT_EQ(ws.windows().size(), 2u);
  EXPECT_EQ(ws.activeWindow(), &a01);
  EXPECT_EQ(a01.passCount(), 1);

  ws.selectphoto(0, MouseButton::Right);  // excluded: its window closes
  EXPECT_EQ(ws.findWindow("A01"), nullptr);
  EXPECT_EQ(ws.plate().wells[0].state, 0);
  ws.selectphoto(0, MouseButton::Left);
  EXPECT_EQ(ws.findWindow("A01"), nullptr);
  ws.selectphoto(0, MouseButton::Right);  // included again
  EXPECT_EQ(ws.plate().wells[0].state, 1);
  ws.selectphoto(5, MouseButton::Left);  // no pictures: nothing happens
  EXPECT_EQ(ws.windows().size(), 1u);

  ws.FileOpen(plate.anyPicture());
  EXPECT_TRUE(ws.windows().empty());
}

TEST_F(WorkspaceTest, ApplyReanalysesEveryOtherWindowWithTheSendersSettings) {
  WellWindow& a01 = plate.open("A01");
  WellWindow& a02 = plate.open("A02");
  a02.Button6Click();  // the only other window is A01
  EXPECT_EQ(a01.passCount(), 2);
  EXPECT_EQ(a02.passCount(), 1);

  a01.BitBtn1Click();  // a manual ring move in A01
  EXPECT_EQ(plate.state->results[0].ResultRingX, "599");
  // A pass of A02 stores into A02's slots, whichever window ran last.
  a02.setScrollBar(9, 50);
  EXPECT_EQ(plate.state->WellSettings[1][7], 50);
  EXPECT_EQ(plate.state->WellSettings[0][7], 100);
  EXPECT_EQ(plate.state->results[0].ResultRingX, "599");

  const int passes = a02.passCount();
  a02.Button6Click();
  EXPECT_EQ(a01.scrollBar(9).position, 50);
  EXPECT_EQ(a01.ringX(), 600);  // fitted afresh
  EXPECT_EQ(plate.state->results[0].ResultRingX, "600");
  EXPECT_EQ(plate.state->WellSettings[0][7], 50);
  EXPECT_EQ(a02.passCount(), passes);

  ws.closeWindow(a01);
  const int alone = a02.passCount();
  a02.Button6Click();
  EXPECT_EQ(a02.passCount(), alone);
}

TEST_F(WorkspaceTest, OpenSettingsChecksTheWholeFileBeforeApplyingIt) {
  WellWindow& window = plate.open("A01");
  const AnalysisSettings before = plate.state->central;
  const int passes = window.passCount();

  AnalysisSettings wanted;
  wanted.nuclei.blueCutoff = 80;
  wanted.ring.radius = 300;
  const std::string good = plate.dir.file("good.VLS");
  WriteSettingsFile(good, wanted);
  const std::string bad = plate.dir.file("bad.VLS");
  WriteBytes(bad, SettingsText({{"Cent_COG", "abc"}}, wanted));

  EXPECT_THROW(ws.OpenSettings(bad), Error);
  EXPECT_EQ(plate.state->central, before);
  EXPECT_EQ(window.passCount(), passes);
  EXPECT_EQ(window.scrollBar(10).position, 100);

  ws.OpenSettings(good);
  EXPECT_EQ(window.scrollBar(10).position, 80);
  EXPECT_EQ(window.ringRadius(), 300);
  EXPECT_EQ(window.passCount(), passes + 1);
  EXPECT_EQ(plate.state->central, wanted);
}

}  // namespace
}  // namespace vembrel::testing
