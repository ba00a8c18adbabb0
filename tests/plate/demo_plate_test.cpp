#include "demo/demo_plate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "imaging/tiff_loader.h"
#include "plate/plate.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::TempDir;

TEST(DemoPlate, PlateVariesAsAnAssayWould) {
  const std::uint32_t seed = 11;
  int blueOnly = 0, gapped = 0, minMigrated = 99, maxMigrated = 0;
  std::vector<int> centres;
  for (int well = 0; well < 96; ++well) {
    const DemoWell demo = DescribeDemoWell(seed, well);
    EXPECT_EQ(demo.index, well);
    EXPECT_LE(std::abs(demo.ringX - 512), 60);
    EXPECT_LE(std::abs(demo.ringY - 512), 60);
    EXPECT_GE(demo.zoneRadius, 300);
    EXPECT_LE(demo.zoneRadius, 380);
    minMigrated = std::min(minMigrated, demo.migratedCells);
    maxMigrated = std::max(maxMigrated, demo.migratedCells);
    centres.push_back(demo.ringX * 1024 + demo.ringY);
    int green = 0, blue = 0;
    for (int f = 0; f < 4; ++f) green += demo.greenField[f], blue += demo.blueField[f];
    if (green == 0 && blue == 4) ++blueOnly;
    if (green > 0 && green < 4) ++gapped;
  }
  EXPECT_EQ(blueOnly, 3);
  EXPECT_EQ(gapped, 3);
  EXPECT_LE(minMigrated, 3);
  EXPECT_GE(maxMigrated, 35);
  std::sort(centres.begin(), centres.end());
  EXPECT_GT(std::unique(centres.begin(), centres.end()) - centres.begin(), 80);
  EXPECT_NE(DescribeDemoWell(12, 5).ringX * 1000 + DescribeDemoWell(12, 5).zoneRadius,
            DescribeDemoWell(11, 5).ringX * 1000 + DescribeDemoWell(11, 5).zoneRadius);
  EXPECT_THROW(DescribeDemoWell(seed, 96), Error);
}

// The pixels and names of the files are pinned by the golden outputs; here
// the files written are exactly the described fields, a well named twice
// once, and nothing else is left behind.
TEST(DemoPlate, FilesAreTheDescribedFieldsAndNothingElse) {
  TempDir dir;
  const std::uint32_t seed = 3;
  const int gapWell = testing::FindDemoWell(
      seed, [](const DemoWell& w) { return w.greenField != testing::kAllFields; });
  ASSERT_GE(gapWell, 0);
  WriteDemoPlate(dir.file("plate"), seed, {0, 0, gapWell});

  std::set<std::string> expected, written;
  for (int well : {0, gapWell}) {
    const DemoWell demo = DescribeDemoWell(seed, well);
    for (int f = 0; f < 8; ++f) {
      if (f < 4 ? demo.blueField[f % 4] : demo.greenField[f % 4]) {
        expected.insert(FieldFileName(kDemoPrefix, well, f % 4, f >= 4));
      }
    }
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir.file("plate"))) {
    written.insert(entry.path().filename().string());
  }
  EXPECT_EQ(written, expected);
  EXPECT_TRUE(ReadTiffPicture(dir.file("plate/DEMO_A01f00d1.tif")) ==
              MakeDemoWellFields(seed, 0)[4]);
  EXPECT_FALSE(MakeDemoWellFields(seed + 1, 0)[5] == MakeDemoWellFields(seed, 0)[5]);
}

}  // namespace
}  // namespace vembrel
