#include "imaging/pixel_kernels.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "imaging/simd_path.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
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
// Per-pixel threshold pattern: blue and green cut-offs, nothing asked of red
// and spare. Only valid for cut-offs in 0..255, where a saturated byte
// difference tests >=.
int ThresholdPattern(int cutoffBlue, int cutoffGreen) {
  return static_cast<int>(static_cast<std::uint32_t>(cutoffBlue) |
                          (static_cast<std::uint32_t>(cutoffGreen) << 8));
}

__m128i Thresholds(int cutoffBlue, int cutoffGreen) {
  return _mm_set1_epi32(ThresholdPattern(cutoffBlue, cutoffGreen));
}

// All-ones per 32-bit pixel whose bytes all reach the thresholds: nothing
// is left of a threshold taken away from a byte that reaches it.
__m128i AtLeast4(__m128i pixels, __m128i thresholds) {
  return _mm_cmpeq_epi32(_mm_subs_epu8(thresholds, pixels), _mm_setzero_si128());
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

#if defined(__x86_64__)
// All-ones per 32-bit pixel whose bytes all reach the thresholds (AtLeast4).
[[gnu::target("avx2")]] __m256i AtLeast8(__m256i pixels, __m256i thresholds) {
  return _mm256_cmpeq_epi32(_mm256_subs_epu8(thresholds, pixels), _mm256_setzero_si256());
}

// Thirty-two all-ones/zero pixel masks, eight to each, to thirty-two 0/1 bytes.
[[gnu::target("avx2")]] __m256i MaskBytes32(const __m256i masks[4]) {
  const __m256i words = _mm256_packs_epi16(_mm256_packs_epi32(masks[0], masks[1]),
                                           _mm256_packs_epi32(masks[2], masks[3]));
  // The packs work within lanes: pixels 0-3, 8-11, 16-19, 24-27, then 4-7, ...
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  return _mm256_and_si256(_mm256_permutevar8x32_epi32(words, order), _mm256_set1_epi8(1));
}

// Thirty-two pixels at a time; returns where the narrower loops go on.
[[gnu::target("avx2")]] std::int64_t MarkAvx2(const std::uint8_t* pixels, std::int64_t count,
                                              int cutoffBlue, int cutoffGreen,
                                              std::uint8_t* marks) {
  const __m256i thresholds = _mm256_set1_epi32(ThresholdPattern(cutoffBlue, cutoffGreen));
  std::int64_t k = 0;
  for (; k + 32 <= count; k += 32) {
    const auto* in = reinterpret_cast<const __m256i*>(pixels + 4 * k);
    __m256i masks[4];
    for (int part = 0; part < 4; ++part) {
      masks[part] = AtLeast8(_mm256_loadu_si256(in + part), thresholds);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(marks + k), MaskBytes32(masks));
  }
  return k;
}
#endif

}  // namespace

void MarkPixelsAtLeast(const std::uint8_t* pixels, std::int64_t count, int cutoffBlue,
                       int cutoffGreen, std::uint8_t* marks) {
  std::int64_t k = 0;
  [[maybe_unused]] const SimdPath path = CurrentSimdPath();
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2 && VectorCutoffs(cutoffBlue, cutoffGreen)) {
    k = MarkAvx2(pixels, count, cutoffBlue, cutoffGreen, marks);
  }
#endif
#if defined(__SSE2__)
  if (path != SimdPath::kPlain && VectorCutoffs(cutoffBlue, cutoffGreen)) {
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

#if defined(__x86_64__)
// CutSpan's thirty-two pixels at a time from k, their marks added to red;
// returns where the narrower loops go on.
template <bool kInside>
[[gnu::target("avx2")]] std::int64_t CutAvx2(const std::uint8_t* composite, std::int64_t k,
                                             std::int64_t to, int cutoffBlue, int cutoffGreen,
                                             std::uint8_t* out, std::uint8_t* marks,
                                             std::int64_t& red) {
  const __m256i thresholds = _mm256_set1_epi32(ThresholdPattern(cutoffBlue, cutoffGreen));
  const __m256i redByte = _mm256_set1_epi32(0x00ff0000);
  const __m256i spareByte = _mm256_set1_epi32(static_cast<int>(0xff000000u));
  const __m256i redAndSpare = _mm256_set1_epi32(static_cast<int>(0xffff0000u));
  __m256i redCount = _mm256_setzero_si256();
  for (; k + 32 <= to; k += 32) {
    __m256i redMasks[4];
    for (int part = 0; part < 4; ++part) {
      auto* at = reinterpret_cast<__m256i*>(out + 4 * (k + 8 * part));
      const __m256i pixel =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(composite + 4 * (k + 8 * part)));
      __m256i result;
      if constexpr (kInside) {
        // Nucleus: spare kept, red 255, rest 0.
        const __m256i marked = _mm256_or_si256(_mm256_and_si256(pixel, spareByte), redByte);
        result = _mm256_blendv_epi8(pixel, marked, AtLeast8(pixel, thresholds));
      } else {
        result = _mm256_and_si256(pixel, redAndSpare);
      }
      _mm256_storeu_si256(at, result);
      redMasks[part] = _mm256_cmpeq_epi32(_mm256_and_si256(result, redByte), redByte);
    }
    const __m256i bytes = MaskBytes32(redMasks);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(marks + k), bytes);
    redCount = _mm256_add_epi64(redCount, _mm256_sad_epu8(bytes, _mm256_setzero_si256()));
  }
  std::int64_t lanes[4];
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), redCount);
  red += lanes[0] + lanes[1] + lanes[2] + lanes[3];
  return k;
}
#endif

// The cut of the pixels from .. to - 1 of a row, all inside the ring or all
// outside it; returns the number of marks.
template <bool kInside>
std::int64_t CutSpan(const std::uint8_t* composite, std::int64_t from, std::int64_t to,
                     int cutoffBlue, int cutoffGreen, std::uint8_t* out, std::uint8_t* marks) {
  std::int64_t k = from;
  std::int64_t red = 0;
  [[maybe_unused]] const SimdPath path = CurrentSimdPath();
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2 && VectorCutoffs(cutoffBlue, cutoffGreen)) {
    k = CutAvx2<kInside>(composite, k, to, cutoffBlue, cutoffGreen, out, marks, red);
  }
#endif
#if defined(__SSE2__)
  if (path != SimdPath::kPlain && VectorCutoffs(cutoffBlue, cutoffGreen)) {
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
    red += lanes[0] + lanes[1];
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

#if defined(__x86_64__)
// PrefixSums's sixteen pixels at a time, on top of sum, which becomes the
// last one written; returns where the narrower loops go on.
template <int kStride>
[[gnu::target("avx2")]] std::int64_t PrefixSumsAvx2(const std::uint8_t* grey, std::int64_t count,
                                                    std::uint16_t* sums, std::uint16_t& sum) {
  // The running sums within each 128-bit lane, the low lane's total added
  // to the high lane, then the sum before them. The totals of the sixteen
  // are added up beside the stores, so that each step waits on one addition.
  __m256i before = _mm256_set1_epi16(static_cast<short>(sum));
  std::int64_t k = 0;
  for (; k + 16 <= count; k += 16) {
    __m256i x;
    if constexpr (kStride == 4) {
      const auto* in = reinterpret_cast<const __m256i*>(grey + kStride * k);
      const __m256i lowByte = _mm256_set1_epi32(0xff);
      // Packed within lanes: pixels 0-3, 8-11, 4-7, 12-15.
      x = _mm256_packs_epi32(_mm256_and_si256(_mm256_loadu_si256(in), lowByte),
                             _mm256_and_si256(_mm256_loadu_si256(in + 1), lowByte));
      x = _mm256_permute4x64_epi64(x, 0xD8);
    } else {
      x = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(grey + k)));
    }
    x = _mm256_add_epi16(x, _mm256_slli_si256(x, 2));
    x = _mm256_add_epi16(x, _mm256_slli_si256(x, 4));
    x = _mm256_add_epi16(x, _mm256_slli_si256(x, 8));
    // Each lane's last sum in all its words.
    __m256i last = _mm256_shufflehi_epi16(x, 0xff);
    last = _mm256_unpackhi_epi64(last, last);
    x = _mm256_add_epi16(x, _mm256_permute2x128_si256(last, last, 0x08));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + k), _mm256_add_epi16(x, before));
    last = _mm256_shufflehi_epi16(x, 0xff);
    last = _mm256_unpackhi_epi64(last, last);
    before = _mm256_add_epi16(before, _mm256_permute2x128_si256(last, last, 0x11));
  }
  sum = static_cast<std::uint16_t>(_mm256_extract_epi16(before, 0));
  return k;
}
#endif

// Grey values kStride bytes apart: the blue bytes of 32-bit pixels (4) or grey bytes (1).
template <int kStride>
void PrefixSums(const std::uint8_t* grey, std::int64_t count, std::uint16_t* sums) {
  static_assert(kStride == 1 || kStride == 4);
  std::uint16_t sum = 0;
  std::int64_t k = 0;
  [[maybe_unused]] const SimdPath path = CurrentSimdPath();
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2) k = PrefixSumsAvx2<kStride>(grey, count, sums, sum);
#endif
#if defined(__SSE2__)
  // Eight pixels at a time: their grey values as eight 16-bit lanes, the
  // running sums within them, then the sum before them added.
  __m128i before = _mm_set1_epi16(static_cast<short>(sum));
  for (; path != SimdPath::kPlain && k + 8 <= count; k += 8) {
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

namespace {

#if defined(__x86_64__)
// Four pixels of a row, each added to its right neighbour: 16-bit sums of
// outputs 0 and 1 in the low lane, 2 and 3 in the high one. Each pixel's
// bytes are put beside its neighbour's, so that one multiply-add of byte
// pairs sums them.
[[gnu::target("avx2")]] __m256i PairsAcross(const std::uint8_t* row) {
  const __m256i besides = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0,
                                           4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
  return _mm256_maddubs_epi16(
      _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row)), besides),
      _mm256_set1_epi8(1));
}

// Eight output pixels at a time; returns where the narrower loops go on.
[[gnu::target("avx2")]] int HalveAvx2(const std::uint8_t* lower, const std::uint8_t* upper,
                                      std::uint8_t* out, int columns) {
  const __m256i two = _mm256_set1_epi16(2);
  int x = 0;
  for (; x + 8 <= columns; x += 8) {
    const __m256i first = _mm256_add_epi16(PairsAcross(lower + 8 * x), PairsAcross(upper + 8 * x));
    const __m256i second =
        _mm256_add_epi16(PairsAcross(lower + 8 * x + 32), PairsAcross(upper + 8 * x + 32));
    const __m256i means = _mm256_packus_epi16(_mm256_srli_epi16(_mm256_add_epi16(first, two), 2),
                                              _mm256_srli_epi16(_mm256_add_epi16(second, two), 2));
    // Packed within lanes: outputs 0-1, 4-5, 2-3, 6-7.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x),
                        _mm256_permute4x64_epi64(means, 0xD8));
  }
  return x;
}
#endif

}  // namespace

void HalvePixelRows(const std::uint8_t* lower, const std::uint8_t* upper, std::uint8_t* out,
                    int columns) {
  int x = 0;
  [[maybe_unused]] const SimdPath path = CurrentSimdPath();
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2) x = HalveAvx2(lower, upper, out, columns);
#endif
#if defined(__SSE2__)
  if (path != SimdPath::kPlain) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    const auto load = [](const std::uint8_t* at) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // Per byte position, lower plus upper row of two pixels.
    const auto down = [&](__m128i a, __m128i b, bool high) {
      return high ? _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero))
                  : _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    };
    // Two pixel pairs summed down, then each pixel added to its right neighbour.
    const auto means2 = [&](__m128i pairs01, __m128i pairs23) {
      const __m128i sums =
          _mm_add_epi16(_mm_unpacklo_epi64(pairs01, pairs23), _mm_unpackhi_epi64(pairs01, pairs23));
      return _mm_srli_epi16(_mm_add_epi16(sums, two), 2);
    };
    // Eight source pixels of each row give four output pixels.
    for (; x + 4 <= columns; x += 4) {
      const __m128i a0 = load(lower + 8 * x), a1 = load(lower + 8 * x + 16);
      const __m128i b0 = load(upper + 8 * x), b1 = load(upper + 8 * x + 16);
      const __m128i means01 = means2(down(a0, b0, false), down(a0, b0, true));
      const __m128i means23 = means2(down(a1, b1, false), down(a1, b1, true));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm_packus_epi16(means01, means23));
    }
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
