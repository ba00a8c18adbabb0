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

// Pixel by pixel through the window tables; little-endian words hold blue in
// the low byte.
void CompositeByTable(const std::uint8_t* blue, const std::uint8_t* green, std::size_t from,
                      std::size_t to, const std::array<std::uint8_t, 256>& blueTable,
                      const std::array<std::uint8_t, 256>& greenTable, std::uint8_t* out) {
  for (std::size_t i = from; i < to; ++i) {
    std::uint32_t b;
    std::uint32_t g;
    std::memcpy(&b, blue + 4 * i, 4);
    std::memcpy(&g, green + 4 * i, 4);
    const std::uint32_t word =
        blueTable[b & 0xff] | std::uint32_t{greenTable[g & 0xff]} << 8 | (b & 0xff000000u);
    std::memcpy(out + 4 * i, &word, 4);
  }
}

#if defined(__SSE2__)
// The window as arithmetic on eight 16-bit values at once: 0 below the
// cut-off, else 255 above the saturation, else the value or its stretch,
// with the division by the range done as a multiply-high and a shift. A
// window is only used when it gives the table's value for all 256 inputs
// (checked when it is made), so it is exact wherever it is used.
class VectorWindow {
 public:
  VectorWindow(const ChannelWindow& window, const std::array<std::uint8_t, 256>& table) {
    // Beyond -1 and 256 the cut-off and saturation act on 0..255 as at those values.
    cutoff_ = _mm_set1_epi16(static_cast<short>(std::clamp(window.cutoff, -1, 256)));
    saturation_ = _mm_set1_epi16(static_cast<short>(std::clamp(window.saturation, -1, 256)));
    stretched_ = _mm_set1_epi16(window.stretch ? -1 : 0);
    const std::int64_t range = std::int64_t{window.saturation} - window.cutoff;
    if (!window.stretch || range <= 0) {
      // The value itself, or 0 for a collapsed stretch (multiplier 0).
      exact_ = Matches(table);
      return;
    }
    // The finest reciprocal that fits 16 bits and gives the table's values:
    // rounded up, or rounded down with the dividend raised by one.
    for (int shift = 15; shift >= 0 && !exact_; --shift) {
      const std::int64_t scale = std::int64_t{1} << (16 + shift);
      for (const bool up : {true, false}) {
        const std::int64_t reciprocal = up ? (scale + range - 1) / range : scale / range;
        if (exact_ || reciprocal > 0x10000) continue;
        multiplier_ = _mm_set1_epi16(static_cast<short>(
            static_cast<std::uint16_t>(std::min<std::int64_t>(reciprocal, 0xffff))));
        raise_ = _mm_set1_epi16(up ? 0 : 1);
        shift_ = _mm_cvtsi32_si128(shift);
        exact_ = Matches(table);
      }
    }
  }

  bool exact() const { return exact_; }

  __m128i Apply(__m128i values) const {
    const __m128i full = _mm_set1_epi16(255);
    const __m128i below = _mm_cmplt_epi16(values, cutoff_);
    const __m128i above = _mm_cmpgt_epi16(values, saturation_);
    const __m128i scaled = _mm_mullo_epi16(_mm_sub_epi16(values, cutoff_), full);
    const __m128i divided =
        _mm_srl_epi16(_mm_mulhi_epu16(_mm_add_epi16(scaled, raise_), multiplier_), shift_);
    const __m128i inside =
        _mm_or_si128(_mm_and_si128(stretched_, divided), _mm_andnot_si128(stretched_, values));
    const __m128i upper = _mm_or_si128(_mm_andnot_si128(above, inside), _mm_and_si128(above, full));
    return _mm_andnot_si128(below, upper);
  }

 private:
  bool Matches(const std::array<std::uint8_t, 256>& table) const {
    for (int v = 0; v < 256; v += 8) {
      alignas(16) std::uint16_t out[8];
      _mm_store_si128(reinterpret_cast<__m128i*>(out),
                      Apply(_mm_add_epi16(_mm_set1_epi16(static_cast<short>(v)),
                                          _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7))));
      for (int k = 0; k < 8; ++k) {
        if (out[k] != table[v + k]) return false;
      }
    }
    return true;
  }

  __m128i cutoff_;
  __m128i saturation_;
  __m128i stretched_;  // all ones where the value is stretched
  __m128i multiplier_ = _mm_setzero_si128();
  __m128i raise_ = _mm_setzero_si128();
  __m128i shift_ = _mm_setzero_si128();
  bool exact_ = false;
};

// Eight pixels at a time; returns the number of pixels done.
std::size_t CompositeByVector(const std::uint8_t* blue, const std::uint8_t* green,
                              std::size_t pixels, VectorWindow blueWindow, VectorWindow greenWindow,
                              std::uint8_t* out) {
  // The windows are copies: stores through out cannot change them, so they stay in registers.
  const __m128i lowByte = _mm_set1_epi32(0xff);
  const __m128i spareByte = _mm_set1_epi32(static_cast<int>(0xff000000u));
  const __m128i zero = _mm_setzero_si128();
  const auto load = [](const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  std::size_t i = 0;
  for (; i + 8 <= pixels; i += 8) {
    const __m128i b0 = load(blue + 4 * i);
    const __m128i b1 = load(blue + 4 * i + 16);
    const __m128i g0 = load(green + 4 * i);
    const __m128i g1 = load(green + 4 * i + 16);
    const __m128i blueValues =
        _mm_packs_epi32(_mm_and_si128(b0, lowByte), _mm_and_si128(b1, lowByte));
    const __m128i greenValues =
        _mm_packs_epi32(_mm_and_si128(g0, lowByte), _mm_and_si128(g1, lowByte));
    const __m128i blueGreen = _mm_or_si128(blueWindow.Apply(blueValues),
                                           _mm_slli_epi16(greenWindow.Apply(greenValues), 8));
    const __m128i first =
        _mm_or_si128(_mm_unpacklo_epi16(blueGreen, zero), _mm_and_si128(b0, spareByte));
    const __m128i second =
        _mm_or_si128(_mm_unpackhi_epi16(blueGreen, zero), _mm_and_si128(b1, spareByte));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), first);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i + 16), second);
  }
  return i;
}
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

  const std::size_t pixels = composite.bytes.size() / 4;
  const std::uint8_t* blue = blueMosaic.bytes.data();
  const std::uint8_t* green = greenMosaic.bytes.data();
  std::uint8_t* out = composite.bytes.data();
  std::size_t done = 0;
#if defined(__SSE2__)
  const VectorWindow blueVector(blueWindow, blueTable);
  const VectorWindow greenVector(greenWindow, greenTable);
  if (blueVector.exact() && greenVector.exact()) {
    done = CompositeByVector(blue, green, pixels, blueVector, greenVector, out);
  }
#endif
  CompositeByTable(blue, green, done, pixels, blueTable, greenTable, out);
}

}  // namespace vembrel
