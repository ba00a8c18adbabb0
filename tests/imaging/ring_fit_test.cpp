#include "imaging/ring_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/pictures.h"

namespace vembrel {
namespace {

using testing::BlueBytesOf;
using testing::GreyPicture;
using testing::InDisc;
using testing::PaintDisc;

// Obviously-correct disc sum: every pixel tested against the strict inequality.
std::int64_t BruteDiscSum(const Picture& picture, int x, int y, int radius) {
  std::int64_t sum = 0;
  for (int r = 0; r < picture.height; ++r) {
    for (int c = 0; c < picture.width; ++c) {
      const std::int64_t dx = x - c;
      const std::int64_t dy = y - r;
      if (dx * dx + dy * dy < std::int64_t{radius} * radius) sum += picture.at(c, r, kBlue);
    }
  }
  return sum;
}

// The compass search written out plainly over brute-force sums.
RingSearchResult ReferenceSearch(const Picture& picture, int radius) {
  RingSearchResult result;
  int x = 512, y = 512;
  std::int64_t best = BruteDiscSum(picture, x, y, radius);
  int d = 1;
  for (double step = 128.0; step >= 1;) {
    const int px = x, py = y, k = static_cast<int>(step);
    if (d == 1) x = std::min(x + k, picture.width - radius);
    if (d == 2) y = std::min(y + k, picture.height - radius);
    if (d == 3) x = std::max(x - k, radius);
    if (d == 4) y = std::max(y - k, radius);
    const std::int64_t s = BruteDiscSum(picture, x, y, radius);
    ++result.trials;
    if (s < best) {
      best = s;
      result.centre = {x, y};
    } else {
      x = px;
      y = py;
      if (++d == 5) d = 1, step /= 2;
    }
  }
  return result;
}

Picture DarkDiscMosaic(int cx, int cy, int radius) {
  return GreyPicture(1024, 1024,
                     [=](int c, int r) { return InDisc(c, r, cx, cy, radius) ? 20 : 200; });
}

TEST(FitRing, KnownMosaicsGiveKnownCentresAndTrials) {
  // The quick estimate does not evaluate its start, so it takes the first trial
  // on a uniform mosaic; the full fit stays. Radius 0 never moves.
  const struct {
    const char* name;
    RingSearchResult (*search)(const Picture&, int);
    Picture mosaic;
    int radius, x, y, trials;
  } cases[] = {
      {"dark disc", FitRing, DarkDiscMosaic(600, 450, 350), 350, 600, 450, 38},
      {"uniform", FitRing, GreyPicture(1024, 1024, 90), 350, 512, 512, 32},
      {"small disc out of reach", FitRing, DarkDiscMosaic(900, 100, 50), 50, 512, 512, -1},
      // Darkest towards a corner: the search is clamped R from the edges.
      {"lower right", FitRing,
       GreyPicture(1024, 1024, [](int c, int r) { return (1023 - c + r) / 8; }), 350, 674, 350, -1},
      {"upper left", FitRing,
       GreyPicture(1024, 1024, [](int c, int r) { return (c + 1023 - r) / 8; }), 350, 350, 674, -1},
      {"quick, uniform", QuickRingEstimate, GreyPicture(1024, 1024, 90), 350, 640, 512, 33},
      {"quick, dark disc", QuickRingEstimate, DarkDiscMosaic(600, 450, 350), 350, 600, 450, -1},
      {"quick, radius 0", QuickRingEstimate, DarkDiscMosaic(600, 450, 350), 0, 512, 512, -1},
  };
  for (const auto& c : cases) {
    const RingSearchResult fit = c.search(c.mosaic, c.radius);
    EXPECT_EQ(fit.centre.x, c.x) << c.name;
    EXPECT_EQ(fit.centre.y, c.y) << c.name;
    if (c.trials >= 0) {
      EXPECT_EQ(fit.trials, c.trials) << c.name;
    }
  }
}

TEST(FitRing, AgreesWithPlainSearchOnRandomSmoothMosaics) {
  std::mt19937 random(7);
  int moved = 0;
  for (int round = 0; round < 3; ++round) {
    // A few random dark and bright blobs on noise, so the search wanders;
    // rows of any width, not only whole runs of pixels summed at a time.
    Picture mosaic(1024 - 21 * round, 1024);
    for (auto& byte : mosaic.bytes) byte = static_cast<std::uint8_t>(100 + random() % 40);
    for (int blob = 0; blob < 6; ++blob) {
      PaintDisc(mosaic, static_cast<int>(random() % 1024), static_cast<int>(random() % 1024),
                60 + static_cast<int>(random() % 200), static_cast<std::uint8_t>(random() % 256));
    }
    const int radius = 40 + static_cast<int>(random() % 300);
    const RingSearchResult expected = ReferenceSearch(mosaic, radius);
    const RingSearchResult fit = FitRing(mosaic, radius);
    EXPECT_EQ(fit.centre.x, expected.centre.x) << "radius " << radius;
    EXPECT_EQ(fit.centre.y, expected.centre.y) << "radius " << radius;
    EXPECT_EQ(fit.trials, expected.trials) << "radius " << radius;
    const RingSearchResult fromPlane = FitRing(BlueBytesOf(mosaic), radius);
    EXPECT_EQ(fromPlane.centre.x, expected.centre.x) << "radius " << radius << ", grey plane";
    EXPECT_EQ(fromPlane.centre.y, expected.centre.y) << "radius " << radius << ", grey plane";
    EXPECT_EQ(fromPlane.trials, expected.trials) << "radius " << radius << ", grey plane";
    if (fit.centre.x != 512 || fit.centre.y != 512) ++moved;
  }
  EXPECT_GT(moved, 0);
}

TEST(DiscSum, MatchesBruteForceIncludingDiscsOverTheEdges) {
  const Picture picture = testing::RandomPicture(97, 61, 3);
  std::mt19937 random(11);
  for (int i = 0; i < 300; ++i) {
    const int x = static_cast<int>(random() % 160) - 30;
    const int y = static_cast<int>(random() % 120) - 30;
    const int radius = static_cast<int>(random() % 70);
    ASSERT_EQ(DiscSum(picture, x, y, radius), BruteDiscSum(picture, x, y, radius))
        << x << "," << y << " r " << radius;
  }
  // Pixels at exactly the radius are outside: radius 1 holds only the centre.
  EXPECT_EQ(DiscSum(picture, 10, 10, 1), picture.at(10, 10, kBlue));
}

TEST(DrawRingMask, RedIsTheStrictDiscAndOtherBytesStay) {
  Picture picture = testing::RandomPicture(120, 90, 5);
  const Picture before = picture;
  DrawRingMask(picture, 70, 30, 41);
  for (int r = 0; r < 90; ++r) {
    for (int c = 0; c < 120; ++c) {
      const int dx = 70 - c, dy = 30 - r;
      ASSERT_EQ(picture.at(c, r, kRed), dx * dx + dy * dy < 41 * 41 ? 255 : 0) << c << "," << r;
      ASSERT_EQ(picture.at(c, r, kBlue), before.at(c, r, kBlue));
      ASSERT_EQ(picture.at(c, r, kGreen), before.at(c, r, kGreen));
      ASSERT_EQ(picture.at(c, r, kSpare), before.at(c, r, kSpare));
    }
  }
  DrawRingMask(picture, 70, 30, 0);  // radius 0: nothing is inside
  for (std::size_t i = kRed; i < picture.bytes.size(); i += 4) ASSERT_EQ(picture.bytes[i], 0);
}

}  // namespace
}  // namespace vembrel
