#include "imaging/mosaic.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/tiff_writer.h"

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

// A picture of the whole well of the mosaic's size is taken as it is; one
// smaller than the mosaic leaves all of it black, and says why.
TEST(LoadChannelMosaic, APictureOfTheWholeWellFillsTheMosaic) {
  testing::TempDir dir;
  testing::WriteGreyTiff(dir.file("well.tif"), kMosaicSize, kMosaicSize,
                         testing::GreyRamp(kMosaicSize, kMosaicSize));
  testing::WriteGreyTiff(dir.file("small.tif"), 1000, 1000, testing::GreyRamp(1000, 1000));
  TiffFiles files;
  const ChannelMosaic whole = LoadChannelMosaic({{dir.file("well.tif"), 0}}, {}, files);
  ASSERT_EQ(whole.fields.size(), 1u);
  EXPECT_FALSE(whole.fields[0].problem);
  EXPECT_EQ(whole.reducedFrom(), 0);
  EXPECT_FALSE(whole.quarterBlack(2));
  for (const auto& [x, y] : {std::pair{0, 0}, {1023, 0}, {700, 1023}, {1023, 600}}) {
    // Rows of the file top first, of the mosaic bottom first.
    EXPECT_EQ(whole.mosaic.at(x, kMosaicSize - 1 - y, kBlue), (x * 7 + y * 3) % 256)
        << x << "," << y;
  }

  const ChannelMosaic small = LoadChannelMosaic({{dir.file("small.tif"), 0}}, {}, files);
  ASSERT_TRUE(small.fields[0].problem);
  EXPECT_EQ(small.fields[0].problem->message,
            "Field picture '" + dir.file("small.tif") +
                "' is 1000 x 1000 pixels; a picture of the whole well must be square, from 1024 x "
                "1024 to 32768 x 32768 pixels");
  for (int quarter = 0; quarter < 4; ++quarter) EXPECT_TRUE(small.quarterBlack(quarter));
  EXPECT_EQ(small.mosaic.bytes, Picture(kMosaicSize, kMosaicSize).bytes);
}

}  // namespace
}  // namespace vembrel
