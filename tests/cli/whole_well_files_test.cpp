// The whole-well pictures a batch writes: one per analysed well, showing
// the constructed well's ring and its nuclei, the counted apart from those
// rejected for their size.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "imaging/image_files.h"
#include "render/whole_well_picture.h"
#include "support/command_run.h"
#include "support/constructed_well.h"

namespace vembrel::testing {
namespace {

namespace fs = std::filesystem;

TEST(WholeWellFiles, EveryAnalysedWellHasItsPictureWithTheCountedAndRejectedMarked) {
  PlateFixture fixture;
  for (const char* well : {"A01", "B05", "H12"}) fixture.writeWell(well);
  const fs::path results = fixture.dir.path() / "results";
  const CommandRun run = RunVembrel("batch " + Quoted(fixture.anyPicture()) + " --results " +
                                    Quoted(results.string()) + " --json");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> pictures;
  for (const auto& entry : fs::directory_iterator(results / "Wells")) {
    pictures.push_back(entry.path().filename().string());
  }
  std::sort(pictures.begin(), pictures.end());
  EXPECT_EQ(pictures, (std::vector<std::string>{"T_A01.jpg", "T_B05.jpg", "T_H12.jpg"}));

  // The overview: half the mosaic's size, its marks at half its coordinates.
  const Picture picture = ReadJpeg((results / "Wells" / "T_A01.jpg").string());
  ASSERT_EQ(picture.width, 512);
  ASSERT_EQ(picture.height, 512);
  const auto colour = [&](int x, int y) {
    return std::array<int, 3>{picture.at(x, y, kRed), picture.at(x, y, kGreen),
                              picture.at(x, y, kBlue)};
  };
  // The fitted ring is the constructed one; its outline is yellow all round.
  ASSERT_NE(run.out.find("\"ring_x\":600,\"ring_y\":450,\"ring_radius\":350,"), std::string::npos)
      << run.out;
  for (int degrees = 0; degrees < 360; degrees += 10) {
    const double angle = degrees * std::numbers::pi / 180;
    const auto [r, g, b] =
        colour(static_cast<int>(std::lround((kRingX + kRing * std::cos(angle)) / 2)),
               static_cast<int>(std::lround((kRingY + kRing * std::sin(angle)) / 2)));
    EXPECT_TRUE(r > 180 && g > 180 && b < 100) << degrees << ": " << r << " " << g << " " << b;
  }
  // A circle left of each lone nucleus in the ring: red when counted,
  // magenta when rejected for its size.
  int counted = 0, rejected = 0;
  for (const Block& block : kBlocks) {
    if (!block.inRing || block.x == 700 || block.x == 703) continue;  // the touching pair
    const auto [r, g, b] = colour(block.x / 2 - kMarkRadius, block.y / 2);
    if (block.accepted()) {
      ++counted;
      EXPECT_TRUE(r > 150 && g < 90 && b < 90) << block.x << ": " << r << " " << g << " " << b;
    } else {
      ++rejected;
      EXPECT_TRUE(r > 150 && g < 90 && b > 150) << block.x << ": " << r << " " << g << " " << b;
    }
  }
  EXPECT_EQ(counted, 2);
  EXPECT_EQ(rejected, 3);
}

}  // namespace
}  // namespace vembrel::testing
