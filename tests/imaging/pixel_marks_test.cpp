#include "imaging/pixel_marks.h"

#include <gtest/gtest.h>

#include <random>

namespace vembrel {
namespace {

// Sparse marks at random places and at the edges of sixteen-mark steps:
// every start and end of a search finds what a plain scan finds, and no mark
// at or after the end.
TEST(PixelMarks, NextMarkFindsTheFirstMarkBeforeTheEnd) {
  constexpr int kWidth = 37, kHeight = 5;
  std::mt19937 random(11);
  for (int round = 0; round < 6; ++round) {
    PixelMarks marks;
    marks.Reset(kWidth, kWidth * kHeight);
    std::uint8_t* data = marks.marks();
    for (int k = 0; k < marks.pixels(); ++k) data[k] = random() % 23 == 0 ? 1 : 0;
    data[round * 16] = 1;
    if (round > 0) data[round * 16 - 1] = 0;
    for (std::int64_t to = 0; to <= marks.pixels(); ++to) {
      for (std::int64_t from = 0; from <= to; ++from) {
        std::int64_t expected = from;
        while (expected < to && data[expected] == 0) ++expected;
        ASSERT_EQ(marks.NextMark(from, to), expected) << "from " << from << " to " << to;
      }
    }
    EXPECT_EQ(marks.NextMark(0), marks.NextMark(0, marks.pixels()));
  }
  // No mark at all: the end.
  PixelMarks empty;
  empty.Reset(kWidth, kWidth * kHeight);
  for (std::int64_t k = 0; k < empty.pixels(); ++k) empty.marks()[k] = 0;
  EXPECT_EQ(empty.NextMark(3), empty.pixels());
}

}  // namespace
}  // namespace vembrel
