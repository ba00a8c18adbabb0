#include "imaging/tiff_loader.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <fstream>
#include <thread>

#include "core/error.h"
#include "support/temp_dir.h"
#include "support/tiff_writer.h"

namespace vembrel {
namespace {

using testing::GreyRamp;
using testing::HandMadeTiff;
using testing::TempDir;
using testing::WriteBytes;

// Width and height differ and are no multiple of the tile size, so swapped
// axes, flipped rows and tile edges all show.
constexpr int kW = 37;
constexpr int kH = 23;

void ExpectGrey(const Picture& picture, const std::vector<std::uint16_t>& topDown) {
  ASSERT_EQ(picture.width, kW);
  ASSERT_EQ(picture.height, kH);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const std::uint8_t* p = picture.topDown(x, y);
      const auto want = static_cast<std::uint8_t>(topDown[y * kW + x]);
      ASSERT_EQ(p[kBlue], want) << "x " << x << " y " << y;
      ASSERT_EQ(p[kGreen], want);
      ASSERT_EQ(p[kRed], want);
      ASSERT_EQ(p[kSpare], 255);
    }
  }
}

// The layouts themselves are the library's; the field loader's tests run
// them all. Here: rows upright, tile edges, and the high byte of 16 bits.
TEST(TiffLoader, GreyLoadsUprightWithEqualColourBytes) {
  TempDir dir;
  const auto values = GreyRamp(kW, kH);
  std::vector<std::uint16_t> wide(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    wide[i] = static_cast<std::uint16_t>(values[i] << 8 | 0x7f);
  }
  testing::WriteGreyTiff(dir.file("tiled.tif"), kW, kH, values, {8, COMPRESSION_LZW, true, 0});
  testing::WriteGreyTiff(dir.file("wide.tif"), kW, kH, wide, {16, COMPRESSION_LZW, false, 5});
  ExpectGrey(ReadTiffPicture(dir.file("tiled.tif")), values);
  ExpectGrey(ReadTiffPicture(dir.file("wide.tif")), values);
}

TEST(TiffLoader, ColourPicturesPutBlueInTheLowestByte) {
  TempDir dir;
  std::vector<std::uint8_t> rgb(kW * kH * 3);
  for (int i = 0; i < kW * kH; ++i) {
    rgb[3 * i] = 200;  // red
    rgb[3 * i + 1] = static_cast<std::uint8_t>(i);
    rgb[3 * i + 2] = 10;  // blue
  }
  testing::WriteRgbTiff(dir.file("rgb.tif"), kW, kH, rgb);
  const Picture picture = ReadTiffPicture(dir.file("rgb.tif"));
  ASSERT_EQ(picture.width, kW);
  EXPECT_EQ(picture.topDown(3, 0)[kBlue], 10);
  EXPECT_EQ(picture.topDown(3, 0)[kGreen], 3);
  EXPECT_EQ(picture.topDown(3, 0)[kRed], 200);
  EXPECT_EQ(picture.topDown(0, 1)[kGreen], kW);

  std::vector<std::uint16_t> red(256), green(256), blue(256);
  for (int i = 0; i < 256; ++i) {
    red[i] = static_cast<std::uint16_t>(i * 257);
    green[i] = static_cast<std::uint16_t>((255 - i) * 257);
    blue[i] = 0x4040;
  }
  std::vector<std::uint8_t> indices(kW * kH);
  for (int i = 0; i < kW * kH; ++i) indices[i] = static_cast<std::uint8_t>(i % 200);
  testing::WritePaletteTiff(dir.file("palette.tif"), kW, kH, indices, red, green, blue);
  const Picture mapped = ReadTiffPicture(dir.file("palette.tif"));
  const std::uint8_t* p = mapped.topDown(5, 0);
  EXPECT_EQ(p[kRed], 5);
  EXPECT_EQ(p[kGreen], 250);
  EXPECT_EQ(p[kBlue], 0x40);
}

TEST(TiffLoader, TruncatedFileStillGivesTheRowsThatWereThere) {
  TempDir dir;
  const std::string path = dir.file("short.tif");
  WriteBytes(path, HandMadeTiff(16, 8, 16 * 3 + 5));  // three whole rows and a bit
  ::testing::internal::CaptureStderr();
  const Picture picture = ReadTiffPicture(path);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ASSERT_EQ(picture.width, 16);
  ASSERT_EQ(picture.height, 8);
  EXPECT_EQ(picture.topDown(0, 0)[kGreen], 100);
  EXPECT_EQ(picture.topDown(1, 2)[kGreen], 100 + (2 * 16 + 1) % 50);
}

TEST(TiffLoader, RefusesHugeAndEmptyPicturesNamingFileAndSize) {
  TempDir dir;
  const std::string huge = dir.file("huge.tif");
  WriteBytes(huge, HandMadeTiff(100000, 1, 0));
  try {
    ReadTiffPicture(huge);
    FAIL() << "huge picture loaded";
  } catch (const Error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(huge), std::string::npos) << message;
    EXPECT_NE(message.find("100000 x 1"), std::string::npos) << message;
  }
  WriteBytes(dir.file("wide.tif"), HandMadeTiff(kMaxPictureSide + 1, 1, 0));
  EXPECT_THROW(ReadTiffPicture(dir.file("wide.tif")), Error);
  WriteBytes(dir.file("limit.tif"), HandMadeTiff(kMaxPictureSide, 1, 10));
  EXPECT_EQ(ReadTiffPicture(dir.file("limit.tif")).width, kMaxPictureSide);
}

// The kinds of unusable files are the field loader's tests; here the two
// forms of the refusal.
TEST(TiffLoader, UnreadableFilesRaiseOpenErrorSilently) {
  TempDir dir;
  WriteBytes(dir.file("notes.tif"), "this is plain text, not a picture\n");
  for (const std::string& path : {dir.file("notes.tif"), dir.file("missing.tif")}) {
    ::testing::internal::CaptureStderr();
    try {
      ReadTiffPicture(path);
      ADD_FAILURE() << path << " loaded";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Unable to open file '" + path + "'", 0), 0u)
          << e.what();
    }
    Picture holder(4, 4, 0xffffffff);
    std::string problem;
    EXPECT_FALSE(TryReadTiffPicture(path, holder, &problem));
    EXPECT_TRUE(holder.empty());
    EXPECT_TRUE(holder.bytes.empty());
    EXPECT_NE(problem.find(path), std::string::npos);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << path;
  }
}

// Each load reports its own library messages even when several threads load
// at once (the batch analyses wells in parallel).
TEST(TiffLoader, ConcurrentLoadsKeepTheirOwnMessages) {
  TempDir dir;
  const auto values = GreyRamp(kW, kH);
  testing::WriteGreyTiff(dir.file("good.tif"), kW, kH, values, {8, COMPRESSION_LZW, false, 3});
  WriteBytes(dir.file("bad.tif"), "II*\0garbage");
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        Picture picture;
        std::string problem;
        const bool good = (i + t) % 2 == 0;
        const std::string path = dir.file(good ? "good.tif" : "bad.tif");
        const bool loaded = TryReadTiffPicture(path, picture, &problem);
        if (loaded != good || (good && picture.topDown(2, 1)[kRed] != values[kW + 2]) ||
            (!good && problem.find(path) == std::string::npos)) {
          ++failures[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace vembrel
