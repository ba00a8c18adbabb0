// 8-bit grey samples become the mosaic's words by every path the processor
// has, for every value and for rows that end inside a vector's width.
#include "imaging/grey_words.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/simd_paths.h"

namespace vembrel {
namespace {

TEST(GreyWords, EveryPathPutsTheSampleInBlueGreenRedUnderAnOpaqueSpareByte) {
  std::vector<std::uint8_t> samples(300);
  // 37 is odd: the first 256 samples take every value once.
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::uint8_t>(i * 37 + 11);
  }
  const int paths = testing::ForEachSimdPath([&](SimdPath) {
    for (const int count : {0, 1, 15, 16, 17, 31, 32, 33, 47, 64, 95, 256, 300}) {
      SCOPED_TRACE(std::to_string(count) + " samples");
      constexpr std::uint8_t kUntouched = 0xA5;
      std::vector<std::uint8_t> out(4 * samples.size() + 64, kUntouched);
      PutGreyWords(samples.data(), out.data(), count);
      for (int x = 0; x < count; ++x) {
        const std::uint8_t grey = samples[x];
        ASSERT_EQ(out[4 * x], grey) << "x " << x;
        ASSERT_EQ(out[4 * x + 1], grey) << "x " << x;
        ASSERT_EQ(out[4 * x + 2], grey) << "x " << x;
        ASSERT_EQ(out[4 * x + 3], 255) << "x " << x;
      }
      for (std::size_t i = 4 * static_cast<std::size_t>(count); i < out.size(); ++i) {
        ASSERT_EQ(out[i], kUntouched) << "byte " << i << " past the row";
      }
    }
  });
  EXPECT_GE(paths, 1);
}

}  // namespace
}  // namespace vembrel
