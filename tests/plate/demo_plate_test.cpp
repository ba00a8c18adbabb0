#include "plate/demo_plate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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

TEST(DemoPlate, FilesHoldTheFieldsUnderTheirNames) {
  TempDir dir;
  const std::uint32_t seed = 3;
  const int gapWell = testing::FindDemoWell(
      seed, [](const DemoWell& w) { return w.greenField != testing::kAllFields; });
  ASSERT_GE(gapWell, 0);
  const std::vector<int> wells{0, gapWell};
  WriteDemoPlate(dir.file("plate"), seed, {0, 0, gapWell});  // a well named twice

  const std::string base = dir.file("plate/") + kDemoPrefix;
  for (int well : wells) {
    const DemoWell demo = DescribeDemoWell(seed, well);
    const auto fields = MakeDemoWellFields(seed, well);
    for (int f = 0; f < 8; ++f) {
      const int field = f % 4;
      const bool green = f >= 4;
      const std::string name = FieldFileName(base, well, field, green);
      const bool expected = green ? demo.greenField[field] : demo.blueField[field];
      ASSERT_EQ(std::filesystem::exists(name), expected) << name;
      ASSERT_EQ(fields[f].empty(), !expected);
      if (expected) {
        EXPECT_TRUE(ReadTiffPicture(name) == fields[f]) << name;
      }
    }
  }
  // Nothing else, no temporary files left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.file("plate"))) {
    EXPECT_EQ(entry.path().extension(), ".tif");
    ++files;
  }
  const DemoWell gap = DescribeDemoWell(seed, gapWell);
  EXPECT_EQ(files, 8 + std::count(gap.blueField.begin(), gap.blueField.end(), true) +
                       std::count(gap.greenField.begin(), gap.greenField.end(), true));

  // The files were rendered apart from the fields compared above, so equal
  // pictures show the same seed gives the same plate; another seed differs.
  EXPECT_FALSE(MakeDemoWellFields(seed + 1, 0)[5] == MakeDemoWellFields(seed, 0)[5]);
}

}  // namespace
}  // namespace vembrel
