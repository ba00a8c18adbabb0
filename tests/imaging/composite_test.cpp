#include "imaging/composite.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/error.h"
#include "support/pictures.h"
#include "support/simd_paths.h"

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
  // By every vector path, widths with and without a remainder of eight or
  // sixteen pixels (30 rows of 9 leave 14 after the widest loop); stretched
  // windows of many ranges (1, 223, 248 and 254 among them), plain and
  // collapsed ones.
  const std::pair<ChannelWindow, ChannelWindow> windows[] = {
      {{30, 180, true}, {10, 90, false}}, {{10, 255, true}, {10, 255, true}},
      {{0, 1, true}, {5, 228, true}},     {{7, 255, true}, {0, 254, true}},
      {{0, 255, true}, {1, 129, true}},   {{40, 41, true}, {60, 60, true}},
      {{3, 200, false}, {100, 227, true}}};
  // The green mosaic as 32-bit pixels and as its grey plane (planes: 1),
  // and both mosaics as grey planes (2), whose spare bytes are 255.
  testing::ForEachSimdPath([&](SimdPath) {
    for (const auto& [width, planes] :
         {std::pair{64, 0}, std::pair{13, 0}, std::pair{64, 1}, std::pair{13, 1}, std::pair{64, 2},
          std::pair{13, 2}, std::pair{30, 2}}) {
      const Picture blue = testing::RandomPicture(width, 9, 1);
      const Picture green = testing::RandomPicture(width, 9, 2);
      const GreyPlane greenGrey = testing::BlueBytesOf(green);
      for (const auto& [blueWindow, greenWindow] : windows) {
        SCOPED_TRACE(std::to_string(planes) + " grey planes");
        Picture composite(2, 2);
        if (planes == 2) {
          MakeComposite(testing::BlueBytesOf(blue), greenGrey, blueWindow, greenWindow, composite);
        } else if (planes == 1) {
          MakeComposite(blue, greenGrey, blueWindow, greenWindow, composite);
        } else {
          MakeComposite(blue, green, blueWindow, greenWindow, composite);
        }
        ASSERT_EQ(composite.width, width);
        ASSERT_EQ(composite.height, 9);
        for (int r = 0; r < 9; ++r) {
          for (int c = 0; c < width; ++c) {
            ASSERT_EQ(composite.at(c, r, kBlue), WindowValue(blue.at(c, r, kBlue), blueWindow))
                << blueWindow.cutoff << ".." << blueWindow.saturation << " at " << c;
            ASSERT_EQ(composite.at(c, r, kGreen), WindowValue(green.at(c, r, kBlue), greenWindow))
                << greenWindow.cutoff << ".." << greenWindow.saturation << " at " << c;
            ASSERT_EQ(composite.at(c, r, kRed), 0);
            ASSERT_EQ(composite.at(c, r, kSpare), planes == 2 ? 255 : blue.at(c, r, kSpare));
          }
        }
      }
    }
  });
}

TEST(MakeComposite, CountsTheSaturatedPixelsOfTheBlueMosaic) {
  // Every window (vector and table loops) by every vector path, widths with
  // and without a remainder of eight or sixteen pixels, and a picture large
  // enough that a count kept in 16-bit lanes would overflow on either path.
  const ChannelWindow windows[] = {{30, 180, true}, {10, 90, false}};
  testing::ForEachSimdPath([&](SimdPath) {
    for (const auto& [width, height, share] :
         {std::tuple{64, 9, 3}, std::tuple{13, 9, 3}, std::tuple{1027, 520, 1}}) {
      Picture blue = testing::RandomPicture(width, height, 4);
      std::int64_t expected = 0;
      for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
          // Green and red bytes at 255 must not count.
          if ((c + r) % share == 0) blue.at(c, r, kBlue) = 255;
          if ((c + r) % share == 1) blue.at(c, r, kGreen) = blue.at(c, r, kRed) = 255;
          expected += blue.at(c, r, kBlue) == 255 ? 1 : 0;
        }
      }
      const Picture green = testing::GreyPicture(width, height, 255);
      for (const ChannelWindow& window : windows) {
        Picture composite;
        EXPECT_EQ(MakeComposite(blue, green, window, window, composite), expected)
            << width << " x " << height << ", window " << window.cutoff;
        EXPECT_EQ(MakeComposite(blue, testing::BlueBytesOf(green), window, window, composite),
                  expected)
            << width << " x " << height << ", window " << window.cutoff << ", grey plane";
        EXPECT_EQ(MakeComposite(testing::BlueBytesOf(blue), testing::BlueBytesOf(green), window,
                                window, composite),
                  expected)
            << width << " x " << height << ", window " << window.cutoff << ", grey planes";
      }
    }
  });
}

TEST(MakeComposite, HalvesTheCompositeAlongsideWithoutChangingIt) {
  // By every vector path, odd and even widths and heights (27 halves to 13
  // columns, eight, four and one), vector and table windows, which take
  // bytes to 0 and 255; the halved picture held something else before. A
  // last odd column and row are left out.
  const ChannelWindow windows[] = {{30, 180, true}, {10, 90, false}};
  testing::ForEachSimdPath([&](SimdPath) {
    for (const auto& [width, height] : {std::pair{13, 9}, std::pair{64, 10}, std::pair{3, 2},
                                        std::pair{27, 4}, std::pair{1027, 300}}) {
      Picture blue = testing::RandomPicture(width, height, 5);
      for (int c = 0; c < width; c += 3) blue.at(c, height - 1, kBlue) = 255;
      const Picture green = testing::RandomPicture(width, height, 6);
      const GreyPlane greenGrey = testing::BlueBytesOf(green);
      for (const ChannelWindow& window : windows) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", window " +
                     std::to_string(window.cutoff));
        Picture alone;
        const std::int64_t saturated = MakeComposite(blue, green, window, window, alone);
        Picture composite;
        Picture halved(5, 5, 0x01020304u);
        EXPECT_EQ(MakeComposite(blue, green, window, window, composite, &halved), saturated);
        EXPECT_EQ(composite, alone);
        Picture fromPlane;
        Picture halvedFromPlane;
        EXPECT_EQ(MakeComposite(blue, greenGrey, window, window, fromPlane, &halvedFromPlane),
                  saturated);
        EXPECT_EQ(fromPlane, alone);
        EXPECT_EQ(halvedFromPlane, halved);
        ASSERT_EQ(halved.width, width / 2);
        ASSERT_EQ(halved.height, height / 2);
        ASSERT_EQ(halved.bytes.size(), std::size_t(width / 2) * (height / 2) * 4);
        for (int r = 0; r < height / 2; ++r) {
          for (int c = 0; c < width / 2; ++c) {
            for (int k = 0; k < 4; ++k) {
              const int sum = alone.at(2 * c, 2 * r, k) + alone.at(2 * c + 1, 2 * r, k) +
                              alone.at(2 * c, 2 * r + 1, k) + alone.at(2 * c + 1, 2 * r + 1, k);
              ASSERT_EQ(halved.at(c, r, k), (sum + 2) / 4)
                  << "at " << c << ", " << r << " byte " << k;
            }
          }
        }
      }
    }
  });
}

TEST(MakeComposite, MarksTheNucleusPixelsAlongsideWithAndWithoutHalving) {
  // By every vector path; odd heights leave a last row outside the row
  // pairs; the marks held something else before. A pixel is marked when the
  // composite's blue and green bytes are both at least their cut-offs (those
  // outside 0..255 take the plain loop).
  const ChannelWindow window{30, 180, true};
  testing::ForEachSimdPath([&](SimdPath) {
    for (const auto& [width, height] :
         {std::pair{13, 9}, std::pair{64, 10}, std::pair{35, 1}, std::pair{61, 3}}) {
      const Picture blue = testing::RandomPicture(width, height, 7);
      const Picture green = testing::RandomPicture(width, height, 8);
      for (const auto& [cutoffBlue, cutoffGreen] :
           {std::pair{100, 60}, std::pair{0, 255}, std::pair{256, 0}}) {
        for (const bool halve : {false, true}) {
          SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + ", cut-offs " +
                       std::to_string(cutoffBlue) + "/" + std::to_string(cutoffGreen) +
                       (halve ? ", halved" : ""));
          Picture alone;
          MakeComposite(blue, green, window, window, alone);
          std::vector<std::uint8_t> marks(std::size_t(width) * height, 7);
          const CompositeMarks request{cutoffBlue, cutoffGreen, marks.data()};
          Picture composite;
          Picture halved;
          MakeComposite(testing::BlueBytesOf(blue), testing::BlueBytesOf(green), window, window,
                        composite, halve ? &halved : nullptr, &request);
          for (std::size_t k = kSpare; k < alone.bytes.size(); k += 4) alone.bytes[k] = 255;
          EXPECT_EQ(composite, alone);
          for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
              const bool nucleus =
                  alone.at(c, r, kBlue) >= cutoffBlue && alone.at(c, r, kGreen) >= cutoffGreen;
              ASSERT_EQ(marks[std::size_t(r) * width + c], nucleus ? 1 : 0) << c << ", " << r;
            }
          }
        }
      }
    }
  });
}

TEST(MakeComposite, RefusesMosaicsOfDifferentSizes) {
  Picture composite;
  EXPECT_THROW(MakeComposite(Picture(8, 8), Picture(8, 9), {}, {}, composite), Error);
  EXPECT_THROW(MakeComposite(Picture(8, 8), testing::BlueBytesOf(Picture(9, 8)), {}, {}, composite),
               Error);
}

}  // namespace
}  // namespace vembrel
