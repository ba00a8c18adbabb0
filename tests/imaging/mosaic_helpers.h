#pragma once
// Small builders of test pictures shared by the imaging tests.
#include <cstdint>
#include <random>

#include "imaging/picture.h"

namespace vembrel::testing {

/// A grey picture: blue = green = red = value, spare 0.
inline Picture GreyPicture(int width, int height, std::uint8_t value) {
  return Picture(width, height, value * 0x010101u);
}

/// Sets the grey value of every pixel strictly inside the disc (cx, cy, radius).
inline void PaintDisc(Picture& picture, int cx, int cy, int radius, std::uint8_t value) {
  for (int r = 0; r < picture.height; ++r) {
    for (int c = 0; c < picture.width; ++c) {
      const long long dx = c - cx;
      const long long dy = r - cy;
      if (dx * dx + dy * dy < static_cast<long long>(radius) * radius) {
        picture.at(c, r, kBlue) = value;
        picture.at(c, r, kGreen) = value;
        picture.at(c, r, kRed) = value;
      }
    }
  }
}

/// Random bytes in every channel.
inline Picture RandomPicture(int width, int height, unsigned seed) {
  Picture picture(width, height);
  std::mt19937 random(seed);
  for (auto& byte : picture.bytes) byte = static_cast<std::uint8_t>(random() & 0xff);
  return picture;
}

}  // namespace vembrel::testing
