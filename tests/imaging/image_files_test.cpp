#include "imaging/image_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/error.h"
#include "support/pictures.h"
#include "support/temp_dir.h"
#include "support/thrown.h"

namespace vembrel {
namespace {

// Four flat quadrants, named as seen (top-down): red, green / blue, white.
Picture Quadrants(int size) {
  Picture picture(size, size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint8_t* p = picture.topDown(x, y);
      const bool right = x >= size / 2, bottom = y >= size / 2;
      const bool white = right && bottom;
      p[kRed] = (!right && !bottom) || white ? 255 : 0;
      p[kGreen] = (right && !bottom) || white ? 255 : 0;
      p[kBlue] = (!right && bottom) || white ? 255 : 0;
    }
  }
  return picture;
}

std::uint32_t BigEndian(const std::string& bytes, std::size_t at) {
  return (std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
         std::uint32_t{static_cast<unsigned char>(bytes[at + 3])};
}

TEST(WriteJpeg, ReadsBackWithColoursInPlace) {
  testing::TempDir dir;
  const std::string path = dir.file("crop.jpg");
  WriteJpeg(Quadrants(64), path);
  const Picture back = ReadJpeg(path);
  ASSERT_EQ(back.width, 64);
  ASSERT_EQ(back.height, 64);
  const struct {
    int x, y, red, green, blue;
  } quadrants[] = {
      {10, 10, 255, 0, 0}, {50, 10, 0, 255, 0}, {10, 50, 0, 0, 255}, {50, 50, 255, 255, 255}};
  for (const auto& q : quadrants) {
    const std::uint8_t* p = back.topDown(q.x, q.y);
    EXPECT_NEAR(p[kRed], q.red, 12) << q.x << "," << q.y;
    EXPECT_NEAR(p[kGreen], q.green, 12) << q.x << "," << q.y;
    EXPECT_NEAR(p[kBlue], q.blue, 12) << q.x << "," << q.y;
  }
}

TEST(WritePng, DecodesToTheExactPixels) {
  testing::TempDir dir;
  const std::string path = dir.file("result.png");
  const Picture picture = testing::RandomPicture(37, 23, 9);
  WritePng(picture, path);
  const std::string file = testing::ReadFile(path);
  ASSERT_EQ(file.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

  // Walk the chunks, checking every CRC, and collect the image data.
  std::string idat;
  std::size_t at = 8;
  std::string last;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = BigEndian(file, at);
    const std::string type = file.substr(at + 4, 4);
    const auto* start = reinterpret_cast<const Bytef*>(file.data() + at + 4);
    EXPECT_EQ(crc32(0, start, length + 4), BigEndian(file, at + 8 + length)) << type;
    if (type == "IHDR") {
      EXPECT_EQ(BigEndian(file, at + 8), 37u);
      EXPECT_EQ(BigEndian(file, at + 12), 23u);
      EXPECT_EQ(file[at + 16], 8);
      EXPECT_EQ(file[at + 17], 2);
    }
    if (type == "IDAT") idat += file.substr(at + 8, length);
    last = type;
    at += 12 + length;
  }
  EXPECT_EQ(last, "IEND");
  EXPECT_EQ(at, file.size());

  std::string raw(23 * (37 * 3 + 1), '\0');
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                       reinterpret_cast<const Bytef*>(idat.data()), idat.size()),
            Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  // Undo each row's filter as a decoder would: none, or up (the byte above
  // added back; the row above the first is zeros).
  std::string above(37 * 3, '\0');
  for (int y = 0; y < 23; ++y) {
    const std::size_t row = static_cast<std::size_t>(y) * (37 * 3 + 1);
    const int filter = raw[row];
    ASSERT_TRUE(filter == 0 || filter == 2) << "row " << y << " filter " << filter;
    std::string pixels = raw.substr(row + 1, 37 * 3);
    if (filter == 2) {
      for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = char(pixels[i] + above[i]);
    }
    for (int x = 0; x < 37; ++x) {
      const std::uint8_t* p = picture.topDown(x, y);
      ASSERT_EQ(static_cast<std::uint8_t>(pixels[3 * x]), p[kRed]);
      ASSERT_EQ(static_cast<std::uint8_t>(pixels[3 * x + 1]), p[kGreen]);
      ASSERT_EQ(static_cast<std::uint8_t>(pixels[3 * x + 2]), p[kBlue]);
    }
    above = pixels;
  }
}

TEST(ImageFiles, EmptyPicturesAndOtherFormatsAreRefusedNamingThePath) {
  testing::TempDir dir;
  EXPECT_THROW(WritePng(Picture(), dir.file("empty.png")), Error);
  EXPECT_FALSE(std::filesystem::exists(dir.file("empty.png")));

  const std::string notJpeg = dir.file("not.jpg");
  WritePng(Quadrants(16), notJpeg);
  const std::string refused = testing::Thrown<Error>([&] { ReadJpeg(notJpeg); });
  EXPECT_NE(refused.find(notJpeg), std::string::npos) << refused;
}

}  // namespace
}  // namespace vembrel
