// The whole-well picture, written as a JPEG and read back: the ring's
// outline on its circle, the marks around the nuclei given, the scale bar
// of the pixel size and the text box, with the composite untouched elsewhere.
#include "render/whole_well_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/image_files.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

constexpr int kGrey = 64;

struct Colour {
  int r, g, b;
};

Colour At(const Picture& picture, int x, int rowFromBottom) {
  return {picture.at(x, rowFromBottom, kRed), picture.at(x, rowFromBottom, kGreen),
          picture.at(x, rowFromBottom, kBlue)};
}

bool Yellow(Colour c) {
  return c.r > 180 && c.g > 180 && c.b < 100;
}
bool Red(Colour c) {
  return c.r > 150 && c.g < 90 && c.b < 90;
}
bool Magenta(Colour c) {
  return c.r > 150 && c.b > 150 && c.g < 90;
}
// The composite's grey, give or take what JPEG's chroma makes of a line nearby.
bool Grey(Colour c, int tolerance = 20) {
  return std::abs(c.r - kGrey) < tolerance && std::abs(c.g - kGrey) < tolerance &&
         std::abs(c.b - kGrey) < tolerance;
}
bool White(Colour c) {
  return c.r > 200 && c.g > 200 && c.b > 200;
}

// The picture of a grey composite, through a JPEG file and back.
Picture DrawnAndReadBack(const WholeWellMarks& marks) {
  testing::TempDir dir;
  const Picture composite(1024, 1024, kGrey * 0x010101u);
  WriteJpeg(WholeWellPicture(composite, marks), dir.file("well.jpg"));
  return ReadJpeg(dir.file("well.jpg"));
}

TEST(WholeWellPicture, RingOutlineAndMarksWhereTheyWereGiven) {
  WholeWellMarks marks;
  marks.ring = {520, 430, 300};
  marks.counted = {{450, 470}, {610, 380}};
  marks.rejected = {{700, 520}};
  const Picture picture = DrawnAndReadBack(marks);
  ASSERT_EQ(picture.width, 1024);
  ASSERT_EQ(picture.height, 1024);

  for (int degrees = 0; degrees < 360; degrees += 5) {
    const double angle = degrees * std::numbers::pi / 180;
    const auto along = [&](double radius) {
      return At(picture, static_cast<int>(std::lround(520 + radius * std::cos(angle))),
                static_cast<int>(std::lround(430 + radius * std::sin(angle))));
    };
    EXPECT_TRUE(Yellow(along(300))) << degrees;
    for (const double off : {294.0, 306.0}) {
      const Colour c = along(off);
      EXPECT_TRUE(Grey(c, 40)) << degrees << " " << off << ": " << c.r << " " << c.g << " " << c.b;
    }
  }
  for (const MosaicPoint point : marks.counted) {
    for (const auto& [dx, dy] : {std::pair{-8, 0}, {8, 0}, {0, -8}, {0, 8}}) {
      EXPECT_TRUE(Red(At(picture, point.x + dx, point.y + dy))) << point.x << " " << dx << dy;
    }
    EXPECT_TRUE(Grey(At(picture, point.x, point.y)));
    EXPECT_TRUE(Grey(At(picture, point.x + 14, point.y)));
  }
  EXPECT_TRUE(Magenta(At(picture, 692, 520)));
  EXPECT_TRUE(Magenta(At(picture, 700, 528)));
  EXPECT_TRUE(Grey(At(picture, 700, 520)));
  // Nothing else drawn: no text box, no scale bar.
  EXPECT_TRUE(Grey(At(picture, 20, 1010)));
  EXPECT_TRUE(Grey(At(picture, 60, 14)));
}

// Every pixel whose centre lies within 1.5 px of a circle takes its colour,
// later circles over earlier ones, and no other pixel changes: against each
// pixel's own distance, for a ring cut by the picture's edges and marks that
// overlap it and one another.
TEST(WholeWellPicture, OutlinesPaintExactlyThePixelsNearTheirCircles) {
  WholeWellMarks marks;
  marks.ring = {150, 900, 301};
  marks.counted = {{451, 900}, {455, 903}, {0, 0}};
  marks.rejected = {{447, 897}, {1023, 1023}};
  const Picture picture = WholeWellPicture(Picture(1024, 1024), marks);
  struct Drawn {
    int x, y;
    double radius;
    Rgb colour;
  };
  std::vector<Drawn> circles = {{150, 900, 301, kRingOutline}};
  for (const MosaicPoint& p : marks.rejected) circles.push_back({p.x, p.y, 8, kRejectedMark});
  for (const MosaicPoint& p : marks.counted) circles.push_back({p.x, p.y, 8, kCountedMark});
  int wrong = 0;
  for (int y = 0; y < 1024; ++y) {
    for (int x = 0; x < 1024; ++x) {
      Rgb expected{0, 0, 0};
      for (const Drawn& c : circles) {
        if (std::fabs(std::hypot(x - c.x, y - c.y) - c.radius) <= 1.5) expected = c.colour;
      }
      const bool same = picture.at(x, y, kRed) == expected.r &&
                        picture.at(x, y, kGreen) == expected.g &&
                        picture.at(x, y, kBlue) == expected.b;
      if (!same && ++wrong <= 5) ADD_FAILURE() << "pixel " << x << ", " << y;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(WholeWellPicture, ScaleBarOfThePixelSizeAndTheTextBox) {
  WholeWellMarks marks;
  marks.pixelSize = 0.5;  // 100 µm: 200 pixels
  marks.lines = {"A01", "Immigrant nuclei: 12"};
  const Picture picture = DrawnAndReadBack(marks);
  // The bar: rows 12 to 19 from the bottom, columns 12 to 211.
  for (int x = 14; x <= 209; x += 13) EXPECT_TRUE(White(At(picture, x, 15))) << x;
  EXPECT_FALSE(White(At(picture, 216, 15)));
  EXPECT_FALSE(White(At(picture, 14, 23)));
  // The text box at the upper left: dark, with white letters.
  int white = 0, dark = 0;
  for (int y = 1024 - 40; y < 1024 - 10; ++y) {
    for (int x = 10; x < 100; ++x) {
      const Colour c = At(picture, x, y);
      white += White(c) ? 1 : 0;
      dark += c.r < 40 && c.g < 40 && c.b < 40 ? 1 : 0;
    }
  }
  EXPECT_GT(white, 100);
  EXPECT_GT(dark, 1000);
}

// The batch's overview: the composite halved, the marks at half their
// coordinates with their own sizes, and the scale bar of the halved pixels.
TEST(WholeWellPicture, OverviewHalvesTheCompositeAndPlacesTheMarksOnIt) {
  Picture composite(1024, 1024);
  for (int r = 0; r < 1024; ++r) {
    for (int x = 0; x < 1024; ++x) {
      composite.at(x, r, kBlue) = static_cast<std::uint8_t>((x * 7 + r * 3) % 200);
      composite.at(x, r, kGreen) = static_cast<std::uint8_t>((x / 2 + r) % 180);
    }
  }
  WholeWellMarks marks;
  marks.ring = {520, 430, 300};
  marks.counted = {{450, 471}};
  marks.rejected = {{701, 520}};
  marks.pixelSize = 0.3;  // 0.6 µm per overview pixel: 50 µm are 83 pixels
  const Picture overview = WholeWellOverview(composite, marks);
  ASSERT_EQ(overview.width, 512);
  ASSERT_EQ(overview.height, 512);
  struct Drawn {
    int x, y;
    double radius;
    Rgb colour;
  };
  const Drawn circles[] = {
      {260, 215, 150, kRingOutline}, {350, 260, 8, kRejectedMark}, {225, 235, 8, kCountedMark}};
  int wrong = 0;
  for (int r = 60; r < 512; ++r) {  // above the scale bar's box
    for (int x = 0; x < 512; ++x) {
      Rgb expected{0, 0, 0};
      bool drawn = false;
      for (const Drawn& c : circles) {
        if (std::fabs(std::hypot(x - c.x, r - c.y) - c.radius) <= 1.5) {
          expected = c.colour;
          drawn = true;
        }
      }
      if (!drawn) {
        const auto mean = [&](int channel) {
          const int sum =
              composite.at(2 * x, 2 * r, channel) + composite.at(2 * x + 1, 2 * r, channel) +
              composite.at(2 * x, 2 * r + 1, channel) + composite.at(2 * x + 1, 2 * r + 1, channel);
          return static_cast<std::uint8_t>((sum + 2) / 4);
        };
        expected = {0, mean(kGreen), mean(kBlue)};
      }
      const Colour c = At(overview, x, r);
      if ((c.r != expected.r || c.g != expected.g || c.b != expected.b) && ++wrong <= 5) {
        ADD_FAILURE() << "pixel " << x << ", " << r;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  // The bar: rows 12 to 19 from the bottom, columns 12 to 94.
  EXPECT_TRUE(White(At(overview, 94, 15)));
  EXPECT_FALSE(White(At(overview, 95, 15)));
}

TEST(WholeWellPicture, ScaleBarIsOneTwoOrFiveTimesAPowerOfTenAtMostAFifthOfTheSide) {
  const auto bar = [](double size) { return ScaleBarFor(size, 1024); };
  EXPECT_EQ(bar(0.5).micrometres, 100);
  EXPECT_EQ(bar(0.5).pixels, 200);
  EXPECT_EQ(bar(1.0).micrometres, 200);
  EXPECT_EQ(bar(0.3).micrometres, 50);
  EXPECT_EQ(bar(0.3).pixels, 167);
  EXPECT_EQ(bar(0.65).micrometres, 100);
  EXPECT_EQ(bar(0.65).pixels, 154);
  EXPECT_EQ(bar(10).micrometres, 2000);
  EXPECT_EQ(bar(0.0976).micrometres, 10);  // 19.99 µm: not yet 20
  EXPECT_EQ(bar(0.09766).micrometres, 20);
}

}  // namespace
}  // namespace vembrel
