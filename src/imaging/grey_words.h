#pragma once
// 8-bit grey samples as the mosaics store them: one word per pixel, blue,
// green and red the sample, the spare byte 255 (as libtiff's RGBA conversion
// gives it). Loading a field is mostly storing these words, so there are
// vector paths (imaging/simd_path.h); the plain loop defines the result.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vembrel {

/// Writes count words (4 * count bytes) to out, one for each sample.
void PutGreyWords(const std::uint8_t* samples, std::uint8_t* out, int count);

#if defined(__SSE2__)
/// Sixteen grey values become sixteen words. Plain stores: the analysis
/// reads the mosaic right after it is loaded and finds it in the caches;
/// streamed past them, it had to fetch it from memory.
inline void PutGreyWords16(__m128i v, std::uint8_t* out) {
  const __m128i opaque = _mm_set1_epi8(-1);
  const __m128i pairs[2] = {_mm_unpacklo_epi8(v, v), _mm_unpackhi_epi8(v, v)};
  const __m128i alpha[2] = {_mm_unpacklo_epi8(v, opaque), _mm_unpackhi_epi8(v, opaque)};
  auto* words = reinterpret_cast<__m128i*>(out);
  for (int half = 0; half < 2; ++half) {
    _mm_storeu_si128(words + 2 * half, _mm_unpacklo_epi16(pairs[half], alpha[half]));
    _mm_storeu_si128(words + 2 * half + 1, _mm_unpackhi_epi16(pairs[half], alpha[half]));
  }
}
#endif

}  // namespace vembrel
