#pragma once
// The constructed well: a dark ring of radius 350 at (600, 450) in the green
// channel and rectangular nuclei (blue 200, green 200) inside and outside it.
// With the default settings a nucleus is accepted when 10 < size < 255.
#include <array>

namespace vembrel::testing {

inline constexpr int kRingX = 600, kRingY = 450, kRing = 350;

struct Block {
  int x, y, w, h;  // bottom-left pixel (column, row from the bottom) and size
  bool inRing;
  int size() const { return w * h; }
  bool accepted() const { return 10 < size() && size() < 255; }
};

inline constexpr std::array<Block, 10> kBlocks{{
    {600, 550, 3, 4, true},    // 12 px, seed 100 from the centre
    {801, 450, 4, 5, true},    // 20 px, seed 201 from the centre
    {500, 400, 2, 5, true},    // exactly the minimal size: rejected
    {650, 300, 1, 1, true},    // one pixel: rejected
    {400, 600, 16, 16, true},  // 256 px: rejected
    {700, 300, 3, 4, true},    // these two touch only at a corner:
    {703, 304, 3, 4, true},    // two nuclei
    {598, 30, 5, 5, false},    // outside the ring, for the density profile
    {100, 900, 5, 5, false},
    {1000, 1000, 5, 5, false},
}};

}  // namespace vembrel::testing
