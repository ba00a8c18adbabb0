#include "imaging/composite.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "support/pictures.h"

namespace vembrel {
namespace {

TEST(WindowValue, CutoffAndSaturationBoundTheWindowAndStretchTruncates) {
  const struct {
    ChannelWindow window;
    int in, out;
  } cases[] = {
      // Without stretch: both ends inclusive, values pass unchanged.
      {{50, 200, false}, 49, 0},
      {{50, 200, false}, 50, 50},
      {{50, 200, false}, 200, 200},
      {{50, 200, false}, 201, 255},
      // Stretched over the window, truncated toward zero.
      {{50, 200, true}, 49, 0},
      {{50, 200, true}, 50, 0},
      {{50, 200, true}, 125, 127},  // 75 x 255 / 150 = 127.5
      {{50, 200, true}, 200, 255},
      {{50, 200, true}, 201, 255},
      {{0, 100, true}, 99, 252},
      {{0, 100, true}, 100, 255},
      {{0, 100, true}, 101, 255},
      // A collapsed window does not divide by zero.
      {{80, 80, true}, 79, 0},
      {{80, 80, true}, 80, 0},
      {{80, 80, true}, 81, 255},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowValue(c.in, c.window), c.out)
        << c.in << " in " << c.window.cutoff << ".." << c.window.saturation;
  }
  for (int v = 0; v < 256; ++v) {  // the full window is the identity
    EXPECT_EQ(WindowValue(v, {0, 255, false}), v);
    EXPECT_EQ(WindowValue(v, {0, 255, true}), v);
  }
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
