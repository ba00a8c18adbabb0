#include "imaging/composite.h"

#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "core/error.h"

namespace vembrel {

static_assert(std::endian::native == std::endian::little, "pixel words assume little-endian");

std::uint8_t WindowValue(int value, const ChannelWindow& window) {
  if (value < window.cutoff) return 0;
  if (value > window.saturation) return 255;
  if (!window.stretch) return static_cast<std::uint8_t>(value);
  const int range = window.saturation - window.cutoff;
  // The controls keep cut-off below saturation; a collapsed window maps its
  // single value to 0 (as the cut-off end of the stretch) instead of dividing by 0.
  if (range <= 0) return 0;
  return static_cast<std::uint8_t>((value - window.cutoff) * 255 / range);
}

namespace {

std::array<std::uint8_t, 256> WindowTable(const ChannelWindow& window) {
  std::array<std::uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) table[v] = WindowValue(v, window);
  return table;
}

}  // namespace

void MakeComposite(const Picture& blueMosaic, const Picture& greenMosaic,
                   const ChannelWindow& blueWindow, const ChannelWindow& greenWindow,
                   Picture& composite) {
  if (blueMosaic.width != greenMosaic.width || blueMosaic.height != greenMosaic.height) {
    throw Error("The blue mosaic (" + std::to_string(blueMosaic.width) + " x " +
                std::to_string(blueMosaic.height) + ") and the green mosaic (" +
                std::to_string(greenMosaic.width) + " x " + std::to_string(greenMosaic.height) +
                ") differ in size");
  }
  const auto blueTable = WindowTable(blueWindow);
  const auto greenTable = WindowTable(greenWindow);
  composite.width = blueMosaic.width;
  composite.height = blueMosaic.height;
  composite.bytes.resize(blueMosaic.bytes.size());

  // One 32-bit word per pixel: little-endian words hold blue in the low byte.
  std::array<std::uint32_t, 256> blueWord{};
  std::array<std::uint32_t, 256> greenWord{};
  for (int v = 0; v < 256; ++v) {
    blueWord[v] = blueTable[v];
    greenWord[v] = std::uint32_t{greenTable[v]} << 8;
  }
  const std::size_t pixels = composite.bytes.size() / 4;
  const std::uint8_t* blue = blueMosaic.bytes.data();
  const std::uint8_t* green = greenMosaic.bytes.data();
  std::uint8_t* out = composite.bytes.data();
  for (std::size_t i = 0; i < pixels; ++i) {
    std::uint32_t b;
    std::uint32_t g;
    std::memcpy(&b, blue + 4 * i, 4);
    std::memcpy(&g, green + 4 * i, 4);
    const std::uint32_t word = blueWord[b & 0xff] | greenWord[g & 0xff] | (b & 0xff000000u);
    std::memcpy(out + 4 * i, &word, 4);
  }
}

}  // namespace vembrel
