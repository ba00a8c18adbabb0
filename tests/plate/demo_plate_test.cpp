#include "plate/demo_plate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "core/error.h"
#include "imaging/composite.h"
#include "imaging/mosaic.h"
#include "imaging/ring_fit.h"
#include "imaging/tiff_loader.h"
#include "plate/plate.h"
#include "support/small_plate.h"
#include "support/temp_dir.h"

namespace vembrel {
namespace {

using testing::TempDir;

Picture Mosaic(const std::array<Picture, 8>& fields, int first) {
  return AssembleMosaic({fields[first], fields[first + 1], fields[first + 2], fields[first + 3]});
}

struct Blob {
  int size = 0;
  double column = 0, row = 0;  // centroid, row from the bottom
};

// 4-connected regions of pixels passing the test, as the analysis finds them.
template <typename Test>
std::vector<Blob> Regions(const Picture& picture, Test passes) {
  const int n = picture.width * picture.height;
  std::vector<char> seen(n, 0);
  std::vector<int> queue;
  std::vector<Blob> blobs;
  for (int start = 0; start < n; ++start) {
    if (seen[start] || !passes(&picture.bytes[4 * start])) continue;
    Blob blob;
    queue.assign(1, start);
    seen[start] = 1;
    for (std::size_t i = 0; i < queue.size(); ++i) {
      const int p = queue[i];
      blob.column += p % picture.width;
      blob.row += p / picture.width;
      for (int q : {p - picture.width, p + picture.width, p - 1, p + 1}) {
        if (q >= 0 && q < n && !seen[q] && passes(&picture.bytes[4 * q])) {
          seen[q] = 1;
          queue.push_back(q);
        }
      }
    }
    blob.size = static_cast<int>(queue.size());
    blob.column /= blob.size;
    blob.row /= blob.size;
    blobs.push_back(blob);
  }
  return blobs;
}

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

// With the default settings the analysis finds the zone, most nuclei and
// cells of usable size, and the zone holds the described migrated cells.
TEST(DemoPlate, DefaultAnalysisFindsZoneNucleiAndCells) {
  const std::uint32_t seed = 5;
  for (int well : {0, 30, 47, 90}) {
    const DemoWell demo = DescribeDemoWell(seed, well);
    if (demo.greenField != std::array<bool, 4>{true, true, true, true}) continue;
    const auto fields = MakeDemoWellFields(seed, well);
    const Picture green = Mosaic(fields, 4);
    Picture composite;
    MakeComposite(Mosaic(fields, 0), green, {10, 155, true}, {10, 255, true}, composite);

    const RingSearchResult ring = FitRing(green, 350);
    EXPECT_LE(std::hypot(ring.x - demo.ringX, ring.y - demo.ringY), 40) << "well " << well;

    const auto nuclei = Regions(
        composite, [](const std::uint8_t* p) { return p[kBlue] >= 100 && p[kGreen] >= 100; });
    int accepted = 0, inZone = 0;
    for (const Blob& blob : nuclei) {
      if (blob.size <= 10 || blob.size >= 255) continue;
      ++accepted;
      if (std::hypot(blob.column - demo.ringX, blob.row - demo.ringY) < demo.zoneRadius) ++inZone;
    }
    EXPECT_GE(accepted, 250) << "well " << well;
    EXPECT_GE(accepted * 100, static_cast<int>(nuclei.size()) * 95) << "well " << well;
    EXPECT_NEAR(inZone, demo.migratedCells, std::max(2.0, 0.15 * demo.migratedCells))
        << "well " << well;

    const auto cells = Regions(composite, [](const std::uint8_t* p) { return p[kGreen] > 40; });
    int usable = 0;
    for (const Blob& blob : cells) usable += blob.size > 30 && blob.size <= 2000;
    EXPECT_GE(usable * 100, static_cast<int>(cells.size()) * 60) << "well " << well;
    EXPECT_GE(cells.size() * 100, nuclei.size() * 40) << "cells merge too much, well " << well;
  }
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
