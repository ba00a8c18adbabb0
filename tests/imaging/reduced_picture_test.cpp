// Pictures reduced by whole factors: every byte the rounded mean of its block,
// counted from the bottom-left, with the odd column and row left out.
#include "render/reduced_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace vembrel {
namespace {

Picture Scrambled(int width, int height) {
  Picture picture(width, height);
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : picture.bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(state >> 23);
  }
  return picture;
}

TEST(ReducedPicture, EachByteIsTheRoundedMeanOfItsBlock) {
  // 15 columns halve to 7 (an odd count of output pixels), 7 rows to 3.
  const Picture picture = Scrambled(15, 7);
  for (const int factor : {2, 3}) {
    const Picture reduced = ReducedPicture(picture, factor);
    ASSERT_EQ(reduced.width, 15 / factor);
    ASSERT_EQ(reduced.height, 7 / factor);
    for (int r = 0; r < reduced.height; ++r) {
      for (int x = 0; x < reduced.width; ++x) {
        for (int k = 0; k < 4; ++k) {
          double sum = 0;
          for (int i = 0; i < factor; ++i) {
            for (int j = 0; j < factor; ++j) sum += picture.at(x * factor + j, r * factor + i, k);
          }
          const double mean = sum / (factor * factor);
          EXPECT_LE(std::abs(reduced.at(x, r, k) - mean), 0.5)
              << "factor " << factor << " at " << x << ", " << r << " byte " << k;
          // Halves round up, as (sum + 2) / 4 does.
          if (mean - static_cast<int>(mean) == 0.5) {
            EXPECT_EQ(reduced.at(x, r, k), mean + 0.5);
          }
        }
      }
    }
  }
  EXPECT_EQ(ReducedPicture(picture, 1), picture);
  EXPECT_THROW(ReducedPicture(picture, 0), std::invalid_argument);
}

TEST(ReducedPicture, HalvesOfOneColourKeepIt) {
  const Picture white(1024, 1024, 0xffffffffu);
  const Picture reduced = ReducedPicture(white, 2);
  EXPECT_EQ(reduced, Picture(512, 512, 0xffffffffu));
}

}  // namespace
}  // namespace vembrel
