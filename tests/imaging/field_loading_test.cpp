// Fields loaded straight into their mosaic quadrant must hold exactly the
// pixels of libtiff's RGBA conversion, whichever way the file is laid out,
// and a field that cannot be used must leave its quadrant black.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "imaging/mosaic.h"
#include "imaging/tiff_loader.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel {
namespace {

using testing::GreyRamp;
using testing::NamedLayout;
using testing::TempDir;

// A mosaic whose every byte says "not written", so untouched bytes show.
Picture Sentinel() {
  return Picture(kMosaicSize, kMosaicSize, 0xA5A5A5A5u);
}

// Whether the quadrant at (column, row) holds field and everything else is sentinel.
void ExpectOnlyQuadrant(const Picture& mosaic, const Picture& field, int column, int row) {
  const Picture sentinel = Sentinel();
  for (int r = 0; r < kMosaicSize; ++r) {
    const bool inRows = r >= row && r < row + kFieldSize;
    const std::uint8_t* got = mosaic.bytes.data() + mosaic.offset(0, r);
    const std::uint8_t* blank = sentinel.bytes.data() + sentinel.offset(0, r);
    if (!inRows) {
      ASSERT_EQ(std::memcmp(got, blank, kMosaicRowBytes), 0) << "row " << r;
      continue;
    }
    ASSERT_EQ(std::memcmp(got + 4 * column, field.bytes.data() + field.offset(0, r - row),
                          std::size_t{kFieldSize} * 4),
              0)
        << "row " << r;
    const int after = column + kFieldSize;
    ASSERT_EQ(std::memcmp(got, blank, 4 * std::size_t(column)), 0) << "row " << r;
    ASSERT_EQ(std::memcmp(got + 4 * after, blank, 4 * std::size_t(kMosaicSize - after)), 0);
  }
}

class FieldLayouts : public ::testing::TestWithParam<NamedLayout> {};

TEST_P(FieldLayouts, QuadrantEqualsTheRgbaConversion) {
  TempDir dir;
  const std::string path = dir.file("field.tif");
  auto values = GreyRamp(kFieldSize, kFieldSize);
  if (GetParam().layout.bits == 16) {
    for (auto& v : values) v = static_cast<std::uint16_t>(v << 8 | 0x5a);
  }
  testing::WriteGreyTiff(path, kFieldSize, kFieldSize, values, GetParam().layout);

  Picture mosaic = Sentinel();
  std::string problem;
  ASSERT_TRUE(LoadFieldInto(path, mosaic, kFieldSize, 0, &problem)) << problem;
  EXPECT_EQ(problem, "");
  ExpectOnlyQuadrant(mosaic, LoadTiffPicture(path), kFieldSize, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FieldLayouts,
    ::testing::Values(NamedLayout{"one_strip", {8, COMPRESSION_NONE, false, 0}},
                      NamedLayout{"strips_of_1", {8, COMPRESSION_NONE, false, 1}},
                      NamedLayout{"strips_of_7", {8, COMPRESSION_LZW, false, 7}},
                      NamedLayout{"deflate_64", {8, COMPRESSION_ADOBE_DEFLATE, false, 64}},
                      NamedLayout{"packbits_100", {8, COMPRESSION_PACKBITS, false, 100}},
                      NamedLayout{"tiled", {8, COMPRESSION_NONE, true, 0}},
                      NamedLayout{"sixteen_bit", {16, COMPRESSION_NONE, false, 0}},
                      NamedLayout{"sixteen_bit_lzw", {16, COMPRESSION_LZW, false, 16}},
                      NamedLayout{"sixteen_bit_big_endian",
                                  {16, COMPRESSION_NONE, false, 7, true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FieldLoading, ColourFilesGoThroughTheConversion) {
  TempDir dir;
  std::vector<std::uint8_t> rgb(std::size_t{kFieldSize} * kFieldSize * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 31 / 7);
  testing::WriteRgbTiff(dir.file("rgb.tif"), kFieldSize, kFieldSize, rgb);
  Picture mosaic = Sentinel();
  ASSERT_TRUE(LoadFieldInto(dir.file("rgb.tif"), mosaic, 0, kFieldSize, nullptr));
  ExpectOnlyQuadrant(mosaic, LoadTiffPicture(dir.file("rgb.tif")), 0, kFieldSize);
}

TEST(FieldLoading, DamagedStripsGiveWhatTheConversionGives) {
  TempDir dir;
  const std::string path = dir.file("damaged.tif");
  testing::WriteGreyTiff(path, kFieldSize, kFieldSize, GreyRamp(kFieldSize, kFieldSize),
                         {8, COMPRESSION_ADOBE_DEFLATE, false, 16});
  const Picture intact = LoadTiffPicture(path);
  // The strips come before the directory: spoil some in the middle of the file.
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(std::filesystem::file_size(path) / 3));
    const std::string garbage(200, '\xff');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  const Picture partial = LoadTiffPicture(path);
  ASSERT_FALSE(partial == intact) << "the damage must reach the pixels";

  Picture mosaic = Sentinel();
  std::string problem;
  ASSERT_TRUE(LoadFieldInto(path, mosaic, kFieldSize, kFieldSize, &problem)) << problem;
  ExpectOnlyQuadrant(mosaic, partial, kFieldSize, kFieldSize);
}

TEST(FieldLoading, UnusableFieldsLeaveTheirQuadrantBlackAndSayWhy) {
  TempDir dir;
  const auto values = GreyRamp(kFieldSize, kFieldSize);
  const std::array<std::string, 4> files = {dir.file("f0.tif"), dir.file("f1.tif"),
                                            dir.file("f2.tif"), dir.file("f3.tif")};
  testing::WriteGreyTiff(files[0], kFieldSize, kFieldSize, values);
  testing::WriteGreyTiff(files[2], 256, 256, GreyRamp(256, 256));  // wrong size
  testing::WriteGreyTiff(files[3], kFieldSize, kFieldSize, values, {8, COMPRESSION_LZW});
  // files[1] is missing.

  std::vector<std::string> problems;
  const Picture mosaic = LoadChannelMosaic(files, &problems);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0], "Field picture '" + files[1] + "' does not exist");
  EXPECT_EQ(problems[1], "Field picture '" + files[2] + "' is 256 x 256 pixels, not 512 x 512");

  WellFields fields;
  fields[0] = LoadTiffPicture(files[0]);
  fields[3] = LoadTiffPicture(files[3]);
  EXPECT_TRUE(mosaic == AssembleMosaic(fields));
}

}  // namespace
}  // namespace vembrel
