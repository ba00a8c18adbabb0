// The control semantics of the well window: coupled sliders, mirrors, the
// ring controls, the edits and the mapping to the universal settings.
#include <gtest/gtest.h>

#include "core/error.h"
#include "engine_fixture.h"

namespace vembrel::testing {
namespace {

class WellControls : public ::testing::Test {
 protected:
  void SetUp() override {
    plate.writeWell("A01");
    window = &plate.open("A01");
  }
  int bar(int number) const { return window->scrollBar(number).position; }
  static std::string Results(const WellWindow& w) {
    std::string text;
    for (const char* label : {"Label13", "Label14", "Label15", "Label29", "Label31"}) {
      text += w.label(label) + "/";
    }
    return text;
  }
  std::string results() const { return Results(*window); }

  PlateFixture plate;
  WellWindow* window = nullptr;
};

TEST_F(WellControls, ShowingAppliesTheUniversalSettingsAndRunsOnePass) {
  EXPECT_EQ(window->passCount(), 1);
  EXPECT_EQ(bar(14), 155);  // a mirror
  EXPECT_EQ(window->label("Label6"), "155");
  EXPECT_TRUE(window->checkBox(5));
  EXPECT_EQ(window->upDown1Max(), 1024);

  // Loading defaults never recomputes by itself.
  plate.state->central.nuclei.greenCutoff = 77;
  window->SetDefaultsOnTabs();
  EXPECT_EQ(bar(9), 77);
  EXPECT_EQ(window->passCount(), 1);
}

TEST_F(WellControls, CutOffAndSaturationPushEachOtherByOneStep) {
  window->setScrollBar(2, 150);
  const int passes = window->passCount();
  window->setScrollBar(1, 200);
  EXPECT_EQ(bar(2), 201);
  EXPECT_EQ(bar(8), 201);
  EXPECT_EQ(bar(7), 200);
  EXPECT_EQ(window->label("Label45"), "201");
  EXPECT_EQ(window->passCount(), passes + 1);
  EXPECT_EQ(plate.state->central.display.green.cutoff, 200);
  EXPECT_EQ(plate.state->central.display.green.saturation, 201);

  window->setScrollBar(3, 10);
  window->setScrollBar(4, 1);
  EXPECT_EQ(bar(3), 0);
  EXPECT_EQ(bar(13), 0);

  // A position outside the range is clamped, and an unchanged one fires nothing.
  const int before = window->passCount();
  window->setScrollBar(9, 999);
  EXPECT_EQ(bar(9), 255);
  window->setScrollBar(9, 255);
  EXPECT_EQ(window->passCount(), before + 1);
}

TEST_F(WellControls, MinimalSizePushesMaximalSizeAndRunsOnePass) {
  window->setScrollBar(12, 150);
  const int passes = window->passCount();
  window->setScrollBar(11, 200);
  EXPECT_EQ(bar(12), 201);
  EXPECT_EQ(window->passCount(), passes + 1);
  const WellSettingsRow& row = plate.state->WellSettings[0];
  EXPECT_EQ(row[9], 200);
  EXPECT_EQ(row[10], 201);

  window->setScrollBar(12, 5);
  EXPECT_EQ(bar(11), 4);
}

TEST_F(WellControls, MirrorsGiveTheSameResultsAsTheirControls) {
  ProgramState otherState;
  Workspace other(otherState);
  other.FileOpen(plate.anyPicture());
  other.selectphoto(0, MouseButton::Left);
  WellWindow& twin = *other.activeWindow();

  window->setScrollBar(7, 60);  // green cut-off on the "Immigrant cells" tab
  twin.setScrollBar(1, 60);
  window->setScrollBar(14, 120);  // blue saturation mirror
  twin.setScrollBar(4, 120);
  window->setCheckBox(6, false);  // blue stretch mirror
  twin.setCheckBox(2, false);
  EXPECT_EQ(bar(1), 60);
  EXPECT_FALSE(window->checkBox(2));
  EXPECT_TRUE(twin.image(3) == window->image(3));
  EXPECT_EQ(results(), Results(twin));
  EXPECT_EQ(otherState.central, plate.state->central);
}

TEST_F(WellControls, RingSizeRefusesBadTextAndSizesOutOfRange) {
  const std::string before = results();
  const int passes = window->passCount();
  const int x = window->ringX();
  EXPECT_THROW(window->setEditText(1, "abc"), ConversionError);
  EXPECT_THROW(window->setEditText(1, "1025"), Error);
  EXPECT_THROW(window->setEditText(1, "-5"), Error);
  EXPECT_EQ(window->editText(1), "350");
  EXPECT_EQ(window->ringRadius(), 350);
  EXPECT_EQ(window->ringX(), x);
  EXPECT_EQ(plate.state->central.ring.radius, 350);
  EXPECT_EQ(window->passCount(), passes);
  EXPECT_EQ(results(), before);

  window->setEditText(1, "300");
  EXPECT_EQ(window->ringRadius(), 300);
  EXPECT_EQ(plate.state->central.ring.radius, 300);
  EXPECT_EQ(window->passCount(), passes + 1);
  EXPECT_EQ(window->image(5).width, 600);

  window->UpDown1Click(true);
  EXPECT_EQ(window->editText(1), "301");

  // Both ends of the range are analysed without harm.
  window->setEditText(1, "0");
  EXPECT_EQ(window->label("Label13"), "0");
  EXPECT_EQ(plate.state->DoneSignal, "0");
  window->setEditText(1, "1024");
  EXPECT_EQ(window->image(5).width, 2048);
}

TEST_F(WellControls, RingIncrementBelowOneBecomesTen) {
  const int passes = window->passCount();
  window->setEditText(2, "0");
  EXPECT_EQ(window->editText(2), "10");
  EXPECT_EQ(window->passCount(), passes + 1);
  EXPECT_EQ(plate.state->central.ring.increment, 10);
  ASSERT_FALSE(plate.state->RadiiLabels.empty());
  EXPECT_EQ(plate.state->RadiiLabels[0], "360");

  EXPECT_THROW(window->setEditText(2, "ten"), ConversionError);
  EXPECT_EQ(window->editText(2), "10");
  window->UpDown2Click(true);
  EXPECT_EQ(window->editText(2), "20");
  window->UpDown2Click(false);
  window->UpDown2Click(false);
  EXPECT_EQ(window->editText(2), "10");
}

TEST_F(WellControls, RingArrowsMoveByOnePixelWithinTheirClamps) {
  ASSERT_EQ(window->ringX(), kRingX);
  ASSERT_EQ(window->ringY(), kRingY);
  const int passes = window->passCount();
  window->BitBtn1Click();
  window->BitBtn3Click();
  EXPECT_EQ(window->label("Label26"), std::to_string(kRingX - 1));
  EXPECT_EQ(window->label("Label27"), std::to_string(kRingY + 1));
  EXPECT_EQ(plate.state->RingCentreX, kRingX - 1);
  EXPECT_EQ(window->passCount(), passes + 2);

  window->DrawTheRing(0, 0);
  window->BitBtn1Click();
  window->BitBtn4Click();
  EXPECT_EQ(window->ringX(), 0);
  EXPECT_EQ(window->ringY(), 0);
  window->DrawTheRing(1024 - 350, 1024 - 350);
  window->BitBtn2Click();
  window->BitBtn3Click();
  EXPECT_EQ(window->ringX(), 674);
  EXPECT_EQ(window->ringY(), 674);

  // AutoFit returns to the darkest disc.
  window->Button5Click();
  EXPECT_EQ(window->ringX(), kRingX);
  EXPECT_EQ(window->ringY(), kRingY);
}

TEST_F(WellControls, FloatSettingsRoundTripThroughTheirScrollBars) {
  plate.state->central.cells.lengthRatio = 2.9;
  plate.state->central.cells.smoothness = 0.29;
  window->SetDefaultsOnTabs();
  EXPECT_EQ(bar(19), 29);
  EXPECT_EQ(bar(20), 29);
  EXPECT_EQ(window->label("Label68"), "2.9");
  EXPECT_EQ(window->label("Label69"), "0.29");
  window->SetCentralValues();
  EXPECT_EQ(plate.state->central.cells.lengthRatio, 2.9);
  EXPECT_EQ(plate.state->central.cells.smoothness, 0.29);
}

TEST_F(WellControls, CellLevelSwitchEnablesItsControlsAndResizesThePanel) {
  EXPECT_FALSE(window->enabled("Button9"));
  EXPECT_FALSE(window->enabled("scrollbar15"));
  window->setCheckBox(3, true);
  EXPECT_TRUE(window->enabled("BUTTON9"));
  EXPECT_TRUE(window->enabled("ScrollBar15"));
  EXPECT_TRUE(window->enabled("RadioButton2"));
  EXPECT_EQ(plate.state->controlPanelHeight, 851);
  EXPECT_EQ(window->label("Label43"), "0/" + std::to_string(plate.state->ObjectList.size()));

  // Any later pass disables the cell sliders again; the other cell controls stay.
  window->setScrollBar(10, 90);
  EXPECT_FALSE(window->enabled("ScrollBar15"));
  EXPECT_FALSE(window->enabled("ScrollBar5"));
  EXPECT_TRUE(window->enabled("ScrollBar19"));
  EXPECT_TRUE(window->enabled("CheckBox4"));

  window->setCheckBox(3, false);
  EXPECT_FALSE(window->enabled("Label43"));
  EXPECT_EQ(plate.state->controlPanelHeight, 694);
}

TEST_F(WellControls, CellSlidersKeepTheirOrderAndShowDecimals) {
  // The pass raised the cell cut-off to the green cut-off (10 < 40: unchanged).
  EXPECT_EQ(bar(15), 40);
  window->setScrollBar(16, 30);
  EXPECT_EQ(bar(15), 29);
  window->setScrollBar(6, 2500);
  window->setScrollBar(5, 100);
  EXPECT_EQ(bar(6), 99);
  window->setScrollBar(19, 25);
  EXPECT_EQ(window->label("Label68"), "2.5");
  window->setScrollBar(20, 100);
  EXPECT_EQ(window->label("Label69"), "1");

  // The pass keeps the hidden cell controls in step with the channel windows.
  window->setScrollBar(1, 60);
  EXPECT_EQ(bar(15), 60);
  EXPECT_EQ(window->label("Label53"), "60");
  EXPECT_EQ(bar(16), bar(2));
  EXPECT_EQ(bar(18), 155);
  EXPECT_EQ(window->checkBox(9), window->checkBox(2));
}

}  // namespace
}  // namespace vembrel::testing
