#include "imaging/pixel_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <vector>

#include "imaging/picture.h"
#include "support/simd_paths.h"

namespace vembrel {
namespace {

// Pixels biased towards the cut-off values, so equality is hit often.
std::vector<std::uint8_t> RandomPixels(std::int64_t count, std::mt19937& random, int near) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(4 * count));
  for (auto& byte : bytes) {
    const int choice = static_cast<int>(random() % 4);
    byte = static_cast<std::uint8_t>(choice == 0 ? near : (choice == 1 ? near - 1 : random()));
  }
  return bytes;
}

// Both kernels against the per-pixel rule, with counts that leave a tail
// after the vector loops and cut-offs outside 0..255 (which take the plain
// loop); the marks by every vector path, with counts that end in each of its
// loops. The ring cut also written over its input.
TEST(PixelKernels, MarksAndRingCutMatchThePerPixelRule) {
  std::mt19937 random(19);
  const int cutoffs[][2] = {{30, 20}, {0, 0}, {255, 255}, {1, 254}, {-4, 300}, {128, -1}};
  for (const auto& cut : cutoffs) {
    SCOPED_TRACE(::testing::Message() << "cut-offs " << cut[0] << "," << cut[1]);
    const std::int64_t count = 1000 + static_cast<std::int64_t>(random() % 16);
    const std::vector<std::uint8_t> composite = RandomPixels(count, random, cut[0] & 0xff);
    std::vector<std::uint8_t> marks(static_cast<std::size_t>(count), 7);
    testing::ForEachSimdPath([&](SimdPath) {
      for (const std::int64_t marked :
           {count, std::int64_t{1000}, std::int64_t{991}, std::int64_t{47}, std::int64_t{5}}) {
        std::fill(marks.begin(), marks.end(), 7);
        MarkPixelsAtLeast(composite.data(), marked, cut[0], cut[1], marks.data());
        for (std::int64_t k = 0; k < count; ++k) {
          const bool reached = composite[4 * k] >= cut[0] && composite[4 * k + 1] >= cut[1];
          ASSERT_EQ(marks[k], k >= marked ? 7 : (reached ? 1 : 0)) << k << " of " << marked;
        }
      }
    });

    // Inside spans of the row by every vector path: empty, at either end,
    // within, the whole row; their ends leave tails on both sides of each
    // vector loop.
    const std::int64_t spans[][2] = {{0, 0},    {0, count},   {5, 600}, {17, 18},
                                     {33, 214}, {600, count}, {-3, 40}, {900, count + 9}};
    testing::ForEachSimdPath([&](SimdPath) {
      for (const auto& span : spans) {
        SCOPED_TRACE(::testing::Message() << "inside " << span[0] << " .. " << span[1]);
        std::vector<std::uint8_t> cutOut(composite.size());
        const std::int64_t red = CutRowToRing(composite.data(), count, span[0], span[1], cut[0],
                                              cut[1], cutOut.data(), marks.data());
        std::int64_t expectedRed = 0;
        for (std::int64_t k = 0; k < count; ++k) {
          const std::uint8_t* in = composite.data() + 4 * k;
          std::uint8_t out[4] = {in[0], in[1], in[2], in[3]};
          if (k < span[0] || k >= span[1]) {
            out[kBlue] = out[kGreen] = 0;
          } else if (in[kBlue] >= cut[0] && in[kGreen] >= cut[1]) {
            out[kBlue] = out[kGreen] = 0;
            out[kRed] = 255;
          }
          for (int b = 0; b < 4; ++b) ASSERT_EQ(cutOut[4 * k + b], out[b]) << k;
          ASSERT_EQ(marks[k], out[kRed] == 255 ? 1 : 0) << k;
          expectedRed += out[kRed] == 255;
        }
        EXPECT_EQ(red, expectedRed);

        std::vector<std::uint8_t> inPlace = composite;
        CutRowToRing(inPlace.data(), count, span[0], span[1], cut[0], cut[1], inPlace.data(),
                     marks.data());
        EXPECT_EQ(inPlace, cutOut);
      }
    });
  }
}

// By every vector path, with counts that end in each of its loops.
TEST(PixelKernels, GreyPrefixSumsAddUpTheBlueBytesOrTheGreyBytes) {
  std::mt19937 random(29);
  testing::ForEachSimdPath([&](SimdPath) {
    for (const std::int64_t count : std::initializer_list<std::int64_t>{
             0, 1, 3, 4, 5, 7, 8, 15, 16, 17, 23, 24, 25, 31, 32, 33, 47, 255, kGreySumRun}) {
      const std::vector<std::uint8_t> pixels = RandomPixels(count, random, 255);
      std::vector<std::uint8_t> grey(static_cast<std::size_t>(count));
      for (std::int64_t k = 0; k < count; ++k) grey[k] = pixels[4 * k];
      std::vector<std::uint16_t> sums(static_cast<std::size_t>(count) + 1, 7);
      std::vector<std::uint16_t> byteSums = sums;
      GreyPrefixSums(pixels.data(), count, sums.data());
      GreyBytePrefixSums(grey.data(), count, byteSums.data());
      std::uint32_t sum = 0;
      for (std::int64_t k = 0; k < count; ++k) {
        sum += pixels[4 * k];
        ASSERT_EQ(sums[k], sum) << k << " of " << count;
        ASSERT_EQ(byteSums[k], sum) << k << " of " << count << " grey bytes";
      }
      EXPECT_EQ(sums[count], 7u) << "nothing written past the end";
      EXPECT_EQ(byteSums[count], 7u) << "nothing written past the end";
    }
    // The largest run of white pixels still fits.
    const std::vector<std::uint8_t> white(4 * kGreySumRun, 255);
    std::vector<std::uint16_t> sums(kGreySumRun);
    GreyPrefixSums(white.data(), kGreySumRun, sums.data());
    EXPECT_EQ(sums.back(), 255 * kGreySumRun);
    GreyBytePrefixSums(white.data(), kGreySumRun, sums.data());
    EXPECT_EQ(sums.back(), 255 * kGreySumRun);
  });
}

}  // namespace
}  // namespace vembrel
