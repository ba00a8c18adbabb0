#include "imaging/composite.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "core/error.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// A window on four 32-bit lanes holding values 0..255: 0 below the cut-off,
// 255 above the saturation, between them the value or, stretched,
// (value - cut-off) * 255 / range. The quotient comes from a single-precision
// division, exact for these sizes (numerators up to 65025, divisors up to
// 255: a quotient that is not whole lies at least 1/255 from the next whole
// number, far beyond the division's rounding); `matches` checks every value
// against the table all the same.
struct Window4 {
  __m128i cutoff, saturation;
  __m128 range;
  bool stretch = false;

  explicit Window4(const ChannelWindow& window)
      : cutoff(_mm_set1_epi32(window.cutoff)),
        saturation(_mm_set1_epi32(window.saturation)),
        range(_mm_set1_ps(static_cast<float>(std::max(window.saturation - window.cutoff, 1)))),
        stretch(window.stretch) {}
  __m128i operator()(__m128i v) const {
    __m128i value = v;
    if (stretch) {
      const __m128i above = _mm_sub_epi32(v, cutoff);
      const __m128i scaled = _mm_sub_epi32(_mm_slli_epi32(above, 8), above);  // x 255
      value = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(scaled), range));
    }
    value = _mm_or_si128(value, _mm_cmpgt_epi32(v, saturation));
    value = _mm_and_si128(value, _mm_set1_epi32(0xff));
    return _mm_andnot_si128(_mm_cmplt_epi32(v, cutoff), value);
  }
  // Whether it gives the table's value for every value.
  bool matches(const std::array<std::uint8_t, 256>& table) const {
    for (int v = 0; v < 256; v += 4) {
      alignas(16) std::int32_t out[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(out),
                      (*this)(_mm_setr_epi32(v, v + 1, v + 2, v + 3)));
      for (int i = 0; i < 4; ++i) {
        if (out[i] != table[static_cast<std::size_t>(v + i)]) return false;
      }
    }
    return true;
  }
};
#endif

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
  std::size_t i = 0;
#if defined(__SSE2__)
  // Four pixels at a time, their blue bytes windowed in 32-bit lanes.
  const Window4 blueWindow4(blueWindow), greenWindow4(greenWindow);
  if (blueWindow4.matches(blueTable) && greenWindow4.matches(greenTable)) {
    const __m128i low = _mm_set1_epi32(0xff);
    const __m128i spare = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; i + 4 <= pixels; i += 4) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + 4 * i));
      const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + 4 * i));
      const __m128i word =
          _mm_or_si128(_mm_or_si128(blueWindow4(_mm_and_si128(b, low)),
                                    _mm_slli_epi32(greenWindow4(_mm_and_si128(g, low)), 8)),
                       _mm_and_si128(b, spare));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), word);
    }
  }
#endif
  for (; i < pixels; ++i) {
    std::uint32_t b;
    std::uint32_t g;
    std::memcpy(&b, blue + 4 * i, 4);
    std::memcpy(&g, green + 4 * i, 4);
    const std::uint32_t word = blueWord[b & 0xff] | greenWord[g & 0xff] | (b & 0xff000000u);
    std::memcpy(out + 4 * i, &word, 4);
  }
}

}  // namespace vembrel
