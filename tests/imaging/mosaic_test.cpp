#include "imaging/mosaic.h"

#include <gtest/gtest.h>

namespace vembrel {
namespace {

TEST(AssembleMosaic, PlacesFieldsInTheirQuadrantsAndLeavesOthersBlack) {
  WellFields fields;
  for (int f = 0; f < 3; ++f) {
    fields[f] = Picture(kFieldSize, kFieldSize);
    for (int r = 0; r < kFieldSize; ++r) {
      for (int c = 0; c < kFieldSize; ++c)
        fields[f].at(c, r, kBlue) = std::uint8_t(10 * (f + 1) + (r == 0) + (c == 0) * 2);
    }
  }
  fields[3] = Picture(kFieldSize, kFieldSize - 1, 0xFFFFFFFF);  // wrong size
  const Picture mosaic = AssembleMosaic(fields);
  ASSERT_EQ(mosaic.width, 1024);
  ASSERT_EQ(mosaic.height, 1024);
  EXPECT_EQ(mosaic.at(0, 0, kBlue), 13);  // field 0 lower left, its corner
  EXPECT_EQ(mosaic.at(511, 511, kBlue), 10);
  EXPECT_EQ(mosaic.at(512, 0, kBlue), 23);  // field 1 lower right
  EXPECT_EQ(mosaic.at(1023, 1, kBlue), 20);
  EXPECT_EQ(mosaic.at(512, 512, kBlue), 33);  // field 2 upper right
  EXPECT_EQ(mosaic.at(0, 512, kBlue), 0);     // field 3 unusable: black
  EXPECT_EQ(mosaic.at(511, 1023, kSpare), 0);
}

}  // namespace
}  // namespace vembrel
