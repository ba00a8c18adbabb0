#include "imaging/composite.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "mosaic_helpers.h"

namespace vembrel {
namespace {

TEST(WindowValue, CutoffAndSaturationAreInclusiveWithoutStretch) {
  const ChannelWindow window{50, 200, false};
  EXPECT_EQ(WindowValue(49, window), 0);
  EXPECT_EQ(WindowValue(50, window), 50);
  EXPECT_EQ(WindowValue(200, window), 200);
  EXPECT_EQ(WindowValue(201, window), 255);
}

TEST(WindowValue, StretchTruncatesTowardZero) {
  const ChannelWindow window{50, 200, true};
  EXPECT_EQ(WindowValue(49, window), 0);
  EXPECT_EQ(WindowValue(50, window), 0);
  EXPECT_EQ(WindowValue(125, window), 127);  // 75 x 255 / 150 = 127.5
  EXPECT_EQ(WindowValue(200, window), 255);
  EXPECT_EQ(WindowValue(201, window), 255);

  const ChannelWindow low{0, 100, true};
  EXPECT_EQ(WindowValue(99, low), 252);
  EXPECT_EQ(WindowValue(100, low), 255);
  EXPECT_EQ(WindowValue(101, low), 255);
}

TEST(WindowValue, FullWindowIsIdentityWithAndWithoutStretch) {
  for (int v = 0; v < 256; ++v) {
    EXPECT_EQ(WindowValue(v, {0, 255, false}), v);
    EXPECT_EQ(WindowValue(v, {0, 255, true}), v);
  }
}

TEST(WindowValue, CollapsedWindowDoesNotDivideByZero) {
  const ChannelWindow window{80, 80, true};
  EXPECT_EQ(WindowValue(79, window), 0);
  EXPECT_EQ(WindowValue(80, window), 0);
  EXPECT_EQ(WindowValue(81, window), 255);
}

TEST(MakeComposite, WindowsEachChannelSetsRedZeroAndKeepsBlueSpare) {
  Picture blue = testing::RandomPicture(64, 48, 1);
  Picture green = testing::RandomPicture(64, 48, 2);
  const ChannelWindow blueWindow{30, 180, true};
  const ChannelWindow greenWindow{10, 90, false};
  Picture composite(2, 2);
  MakeComposite(blue, green, blueWindow, greenWindow, composite);

  ASSERT_EQ(composite.width, 64);
  ASSERT_EQ(composite.height, 48);
  for (int r = 0; r < 48; ++r) {
    for (int c = 0; c < 64; ++c) {
      ASSERT_EQ(composite.at(c, r, kBlue), WindowValue(blue.at(c, r, kBlue), blueWindow));
      ASSERT_EQ(composite.at(c, r, kGreen), WindowValue(green.at(c, r, kBlue), greenWindow));
      ASSERT_EQ(composite.at(c, r, kRed), 0);
      ASSERT_EQ(composite.at(c, r, kSpare), blue.at(c, r, kSpare));
    }
  }
}

TEST(MakeComposite, RefusesMosaicsOfDifferentSizes) {
  Picture composite;
  EXPECT_THROW(MakeComposite(Picture(8, 8), Picture(8, 9), {}, {}, composite), Error);
}

}  // namespace
}  // namespace vembrel
