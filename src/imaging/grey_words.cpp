#include "imaging/grey_words.h"

#include <cstring>

#include "imaging/simd_path.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vembrel {
namespace {

void PutPlain(const std::uint8_t* samples, std::uint8_t* out, int from, int count) {
  for (int x = from; x < count; ++x) {
    const std::uint32_t word = 0xff000000u | samples[x] * 0x010101u;
    std::memcpy(out + 4 * x, &word, 4);
  }
}

#if defined(__SSE2__)
void PutSse2(const std::uint8_t* samples, std::uint8_t* out, int count) {
  int x = 0;
  for (; x + 16 <= count; x += 16) {
    PutGreyWords16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + x)), out + 4 * x);
  }
  PutPlain(samples, out, x, count);
}
#endif

#if defined(__x86_64__)
// Thirty-two values at a time: half the stores of the SSE2 loop, and the
// stores are what a field's load waits on.
[[gnu::target("avx2")]] void PutAvx2(const std::uint8_t* samples, std::uint8_t* out, int count) {
  const __m256i opaque = _mm256_set1_epi8(-1);
  int x = 0;
  for (; x + 32 <= count; x += 32) {
    // Values 0-7 and 16-23 in the low lane, 8-15 and 24-31 in the high one:
    // the unpacks work within lanes.
    const __m256i v = _mm256_permute4x64_epi64(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples + x)), 0xD8);
    const __m256i pairs0 = _mm256_unpacklo_epi8(v, v);
    const __m256i pairs1 = _mm256_unpackhi_epi8(v, v);
    const __m256i alpha0 = _mm256_unpacklo_epi8(v, opaque);
    const __m256i alpha1 = _mm256_unpackhi_epi8(v, opaque);
    const __m256i w0 = _mm256_unpacklo_epi16(pairs0, alpha0);  // values 0-3, 8-11
    const __m256i w1 = _mm256_unpackhi_epi16(pairs0, alpha0);  // 4-7, 12-15
    const __m256i w2 = _mm256_unpacklo_epi16(pairs1, alpha1);  // 16-19, 24-27
    const __m256i w3 = _mm256_unpackhi_epi16(pairs1, alpha1);  // 20-23, 28-31
    auto* words = reinterpret_cast<__m256i*>(out + 4 * x);
    _mm256_storeu_si256(words, _mm256_permute2x128_si256(w0, w1, 0x20));
    _mm256_storeu_si256(words + 1, _mm256_permute2x128_si256(w0, w1, 0x31));
    _mm256_storeu_si256(words + 2, _mm256_permute2x128_si256(w2, w3, 0x20));
    _mm256_storeu_si256(words + 3, _mm256_permute2x128_si256(w2, w3, 0x31));
  }
  PutPlain(samples, out, x, count);
}
#endif

}  // namespace

void PutGreyWords(const std::uint8_t* samples, std::uint8_t* out, int count) {
  switch (CurrentSimdPath()) {
#if defined(__x86_64__)
    case SimdPath::kAvx2:
      return PutAvx2(samples, out, count);
#endif
#if defined(__SSE2__)
    case SimdPath::kSse2:
      return PutSse2(samples, out, count);
#endif
    default:
      return PutPlain(samples, out, 0, count);
  }
}

}  // namespace vembrel
