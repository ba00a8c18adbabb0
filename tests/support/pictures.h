#pragma once
// Test pictures built in memory: flat, patterned and random.
#include <cstdint>
#include <functional>
#include <random>

#include "imaging/picture.h"

namespace vembrel::testing {

/// Grey value of pixel (column, row counted from the bottom).
using MosaicGrey = std::function<int(int column, int row)>;

/// A grey picture: blue = green = red = value, spare 0.
inline Picture GreyPicture(int width, int height, std::uint8_t value) {
  return Picture(width, height, value * 0x010101u);
}

/// A grey picture whose pixels follow the pattern.
inline Picture GreyPicture(int width, int height, const MosaicGrey& grey) {
  Picture picture(width, height);
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) {
      const auto value = static_cast<std::uint8_t>(grey(c, r));
      picture.at(c, r, kBlue) = picture.at(c, r, kGreen) = picture.at(c, r, kRed) = value;
    }
  }
  return picture;
}

/// True strictly inside the disc (cx, cy, radius).
inline bool InDisc(int c, int r, int cx, int cy, int radius) {
  const long long dx = c - cx, dy = r - cy;
  return dx * dx + dy * dy < static_cast<long long>(radius) * radius;
}

/// Sets the grey value of every pixel strictly inside the disc (cx, cy, radius).
inline void PaintDisc(Picture& picture, int cx, int cy, int radius, std::uint8_t value) {
  for (int r = 0; r < picture.height; ++r) {
    for (int c = 0; c < picture.width; ++c) {
      if (!InDisc(c, r, cx, cy, radius)) continue;
      picture.at(c, r, kBlue) = picture.at(c, r, kGreen) = picture.at(c, r, kRed) = value;
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

/// The grey plane of a picture: its blue bytes.
inline GreyPlane BlueBytesOf(const Picture& picture) {
  GreyPlane plane;
  plane.width = picture.width;
  plane.height = picture.height;
  plane.bytes.resize(static_cast<std::size_t>(picture.width) * picture.height);
  for (std::size_t k = 0; k < plane.bytes.size(); ++k) plane.bytes[k] = picture.bytes[4 * k];
  return plane;
}

}  // namespace vembrel::testing
