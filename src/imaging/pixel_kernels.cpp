#include "imaging/pixel_kernels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vembrel {
namespace {

static_assert(std::endian::native == std::endian::little, "pixel words assume little-endian");

// Cut-offs outside 0..255: below 0 every value reaches it, above 255 none.
bool Reaches(int value, int cutoff) {
  return value >= cutoff;
}

std::uint32_t LoadPixel(const std::uint8_t* p) {
  std::uint32_t word;
  std::memcpy(&word, p, 4);
  return word;
}

void StorePixel(std::uint8_t* p, std::uint32_t word) {
  std::memcpy(p, &word, 4);
}

bool AtLeast(std::uint32_t pixel, int cutoffBlue, int cutoffGreen) {
  return Reaches(static_cast<int>(pixel & 0xffu), cutoffBlue) &&
         Reaches(static_cast<int>((pixel >> 8) & 0xffu), cutoffGreen);
}

std::uint32_t CutPixel(std::uint32_t pixel, std::uint32_t ringPixel, int cutoffBlue,
                       int cutoffGreen) {
  if ((ringPixel & 0x00ff0000u) != 0x00ff0000u) return pixel & 0xffff0000u;
  if (AtLeast(pixel, cutoffBlue, cutoffGreen)) return (pixel & 0xff000000u) | 0x00ff0000u;
  return pixel;
}

#if defined(__SSE2__)
// Per-pixel threshold pattern: blue and green cut-offs, nothing asked of red and spare.
// Only valid for cut-offs in 0..255, where an unsigned byte maximum tests >=.
__m128i Thresholds(int cutoffBlue, int cutoffGreen) {
  const std::uint32_t pattern =
      static_cast<std::uint32_t>(cutoffBlue) | (static_cast<std::uint32_t>(cutoffGreen) << 8);
  return _mm_set1_epi32(static_cast<int>(pattern));
}

// All-ones per 32-bit pixel whose bytes all reach the thresholds.
__m128i AtLeast4(__m128i pixels, __m128i thresholds) {
  const __m128i reached = _mm_cmpeq_epi8(_mm_max_epu8(pixels, thresholds), pixels);
  return _mm_cmpeq_epi32(reached, _mm_set1_epi32(-1));
}

// Sixteen all-ones/zero pixel masks to sixteen 0/1 bytes.
__m128i MaskBytes(__m128i a, __m128i b, __m128i c, __m128i d) {
  const __m128i words = _mm_packs_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
  return _mm_and_si128(words, _mm_set1_epi8(1));
}

bool VectorCutoffs(int cutoffBlue, int cutoffGreen) {
  return cutoffBlue >= 0 && cutoffBlue <= 255 && cutoffGreen >= 0 && cutoffGreen <= 255;
}
#endif

}  // namespace

void MarkPixelsAtLeast(const std::uint8_t* pixels, std::int64_t count, int cutoffBlue,
                       int cutoffGreen, std::uint8_t* marks) {
  std::int64_t k = 0;
#if defined(__SSE2__)
  if (VectorCutoffs(cutoffBlue, cutoffGreen)) {
    const __m128i thresholds = Thresholds(cutoffBlue, cutoffGreen);
    for (; k + 16 <= count; k += 16) {
      const auto* in = reinterpret_cast<const __m128i*>(pixels + 4 * k);
      const __m128i bytes = MaskBytes(AtLeast4(_mm_loadu_si128(in), thresholds),
                                      AtLeast4(_mm_loadu_si128(in + 1), thresholds),
                                      AtLeast4(_mm_loadu_si128(in + 2), thresholds),
                                      AtLeast4(_mm_loadu_si128(in + 3), thresholds));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(marks + k), bytes);
    }
  }
#endif
  for (; k < count; ++k) marks[k] = AtLeast(LoadPixel(pixels + 4 * k), cutoffBlue, cutoffGreen);
}

namespace {

// The cut of the pixels from .. to - 1 of a row, all inside the ring or all
// outside it; returns the number of marks.
template <bool kInside>
std::int64_t CutSpan(const std::uint8_t* composite, std::int64_t from, std::int64_t to,
                     int cutoffBlue, int cutoffGreen, std::uint8_t* out, std::uint8_t* marks) {
  std::int64_t k = from;
  std::int64_t red = 0;
#if defined(__SSE2__)
  if (VectorCutoffs(cutoffBlue, cutoffGreen)) {
    const __m128i thresholds = Thresholds(cutoffBlue, cutoffGreen);
    const __m128i redByte = _mm_set1_epi32(0x00ff0000);
    const __m128i spareByte = _mm_set1_epi32(static_cast<int>(0xff000000u));
    const __m128i redAndSpare = _mm_set1_epi32(static_cast<int>(0xffff0000u));
    __m128i redCount = _mm_setzero_si128();
    for (; k + 16 <= to; k += 16) {
      __m128i results[4];
      __m128i redMasks[4];
      for (int part = 0; part < 4; ++part) {
        const std::int64_t at = 4 * (k + 4 * part);
        const __m128i pixel = _mm_loadu_si128(reinterpret_cast<const __m128i*>(composite + at));
        __m128i result;
        if constexpr (kInside) {
          // Nucleus: spare kept, red 255, rest 0.
          const __m128i nucleus = AtLeast4(pixel, thresholds);
          const __m128i marked = _mm_or_si128(_mm_and_si128(pixel, spareByte), redByte);
          result = _mm_or_si128(_mm_and_si128(nucleus, marked), _mm_andnot_si128(nucleus, pixel));
        } else {
          result = _mm_and_si128(pixel, redAndSpare);
        }
        results[part] = result;
        redMasks[part] = _mm_cmpeq_epi32(_mm_and_si128(result, redByte), redByte);
      }
      for (int part = 0; part < 4; ++part) {
        const std::int64_t at = 4 * (k + 4 * part);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), results[part]);
      }
      const __m128i bytes = MaskBytes(redMasks[0], redMasks[1], redMasks[2], redMasks[3]);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(marks + k), bytes);
      redCount = _mm_add_epi64(redCount, _mm_sad_epu8(bytes, _mm_setzero_si128()));
    }
    std::int64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), redCount);
    red = lanes[0] + lanes[1];
  }
#endif
  const std::uint32_t ringPixel = kInside ? 0x00ff0000u : 0;
  for (; k < to; ++k) {
    const std::uint32_t result =
        CutPixel(LoadPixel(composite + 4 * k), ringPixel, cutoffBlue, cutoffGreen);
    StorePixel(out + 4 * k, result);
    marks[k] = (result & 0x00ff0000u) == 0x00ff0000u;
    red += marks[k];
  }
  return red;
}

}  // namespace

std::int64_t CutRowToRing(const std::uint8_t* composite, std::int64_t width, std::int64_t inFrom,
                          std::int64_t inTo, int cutoffBlue, int cutoffGreen, std::uint8_t* out,
                          std::uint8_t* marks) {
  inFrom = std::clamp<std::int64_t>(inFrom, 0, width);
  inTo = std::clamp<std::int64_t>(inTo, inFrom, width);
  return CutSpan<false>(composite, 0, inFrom, cutoffBlue, cutoffGreen, out, marks) +
         CutSpan<true>(composite, inFrom, inTo, cutoffBlue, cutoffGreen, out, marks) +
         CutSpan<false>(composite, inTo, width, cutoffBlue, cutoffGreen, out, marks);
}

namespace {

// Grey values kStride bytes apart: the blue bytes of 32-bit pixels (4) or grey bytes (1).
template <int kStride>
void PrefixSums(const std::uint8_t* grey, std::int64_t count, std::uint16_t* sums) {
  static_assert(kStride == 1 || kStride == 4);
  std::uint16_t sum = 0;
  std::int64_t k = 0;
#if defined(__SSE2__)
  // Eight pixels at a time: their grey values as eight 16-bit lanes, the
  // running sums within them, then the sum before them added.
  __m128i before = _mm_setzero_si128();
  for (; k + 8 <= count; k += 8) {
    const auto* in = reinterpret_cast<const __m128i*>(grey + kStride * k);
    __m128i x;
    if constexpr (kStride == 4) {
      const __m128i lowByte = _mm_set1_epi32(0xff);
      x = _mm_packs_epi32(_mm_and_si128(_mm_loadu_si128(in), lowByte),
                          _mm_and_si128(_mm_loadu_si128(in + 1), lowByte));
    } else {
      x = _mm_unpacklo_epi8(_mm_loadl_epi64(in), _mm_setzero_si128());
    }
    x = _mm_add_epi16(x, _mm_slli_si128(x, 2));
    x = _mm_add_epi16(x, _mm_slli_si128(x, 4));
    x = _mm_add_epi16(x, _mm_slli_si128(x, 8));
    x = _mm_add_epi16(x, before);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k), x);
    const __m128i last = _mm_shufflehi_epi16(x, 0xff);
    before = _mm_unpackhi_epi64(last, last);
  }
  sum = static_cast<std::uint16_t>(_mm_extract_epi16(before, 0));
#endif
  for (; k < count; ++k) {
    sum = static_cast<std::uint16_t>(sum + grey[kStride * k]);
    sums[k] = sum;
  }
}

}  // namespace

void GreyPrefixSums(const std::uint8_t* pixels, std::int64_t count, std::uint16_t* sums) {
  PrefixSums<4>(pixels, count, sums);
}

void GreyBytePrefixSums(const std::uint8_t* grey, std::int64_t count, std::uint16_t* sums) {
  PrefixSums<1>(grey, count, sums);
}

void HalvePixelRows(const std::uint8_t* lower, const std::uint8_t* upper, std::uint8_t* out,
                    int columns) {
  int x = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i two = _mm_set1_epi16(2);
  // Four source pixels of each row give two output pixels.
  for (; x + 2 <= columns; x += 2) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + 8 * x));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + 8 * x));
    // Per byte position, lower plus upper row: pixels 0 and 1, then 2 and 3.
    const __m128i low = _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i high = _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    // Each pixel added to its right neighbour: the sums sit in the low half.
    const __m128i left = _mm_add_epi16(low, _mm_srli_si128(low, 8));
    const __m128i right = _mm_add_epi16(high, _mm_srli_si128(high, 8));
    const __m128i sums = _mm_unpacklo_epi64(left, right);
    const __m128i means = _mm_srli_epi16(_mm_add_epi16(sums, two), 2);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * x), _mm_packus_epi16(means, zero));
  }
#endif
  for (; x < columns; ++x) {
    for (int k = 0; k < 4; ++k) {
      const int sum =
          lower[8 * x + k] + lower[8 * x + 4 + k] + upper[8 * x + k] + upper[8 * x + 4 + k];
      out[4 * x + k] = static_cast<std::uint8_t>((sum + 2) / 4);
    }
  }
}

}  // namespace vembrel
