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
// A window without stretch, byte by byte on sixteen bytes: 0 below the
// cut-off, 255 above the saturation, else the value.
struct PlainWindow16 {
  __m128i below;  // the cut-off minus one (with belowAny)
  __m128i above;  // the saturation plus one (with aboveAny)
  bool belowAny = false;
  bool aboveAny = false;

  explicit PlainWindow16(const ChannelWindow& window) {
    belowAny = window.cutoff > 0;
    aboveAny = window.saturation < 255;
    below = _mm_set1_epi8(static_cast<char>(std::clamp(window.cutoff - 1, 0, 255)));
    above = _mm_set1_epi8(static_cast<char>(std::clamp(window.saturation + 1, 0, 255)));
  }
  __m128i operator()(__m128i v) const {
    if (aboveAny) v = _mm_or_si128(v, _mm_cmpeq_epi8(_mm_max_epu8(v, above), v));
    if (belowAny) {
      const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, below), v);
      v = _mm_andnot_si128(low, v);
    }
    return v;
  }
  // Whether it gives the table's value for every byte (a window this form fits).
  bool matches(const std::array<std::uint8_t, 256>& table) const {
    for (int v = 0; v < 256; v += 16) {
      alignas(16) std::uint8_t values[16];
      for (int i = 0; i < 16; ++i) values[i] = static_cast<std::uint8_t>(v + i);
      alignas(16) std::uint8_t out[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(out),
                      (*this)(_mm_load_si128(reinterpret_cast<const __m128i*>(values))));
      for (int i = 0; i < 16; ++i) {
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
  // Four pixels at a time where both windows are plain cut-off and saturation.
  const PlainWindow16 blueWindow16(blueWindow), greenWindow16(greenWindow);
  if (blueWindow16.matches(blueTable) && greenWindow16.matches(greenTable)) {
    const __m128i low = _mm_set1_epi32(0xff);
    const __m128i spare = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; i + 4 <= pixels; i += 4) {
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + 4 * i));
      const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + 4 * i));
      const __m128i word =
          _mm_or_si128(_mm_or_si128(_mm_and_si128(blueWindow16(b), low),
                                    _mm_slli_epi32(_mm_and_si128(greenWindow16(g), low), 8)),
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
