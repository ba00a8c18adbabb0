#include "render/reduced_picture.h"

#include <cstdint>
#include <stdexcept>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vembrel {
namespace {

// Halving, the overview's case: each output byte is (a + b + c + d + 2) / 4.
void HalveRow(const std::uint8_t* lower, const std::uint8_t* upper, std::uint8_t* out,
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

}  // namespace

Picture ReducedPicture(const Picture& picture, int factor) {
  if (factor < 1) throw std::invalid_argument("Reduction factor " + std::to_string(factor));
  if (factor == 1) return picture;
  const int width = picture.width / factor;
  const int height = picture.height / factor;
  Picture reduced = Picture::Uninitialised(width, height);
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
  for (int r = 0; r < height; ++r) {
    const std::uint8_t* first = picture.bytes.data() + picture.offset(0, r * factor);
    std::uint8_t* out = reduced.bytes.data() + reduced.offset(0, r);
    if (factor == 2) {
      HalveRow(first, first + rowBytes, out, width);
      continue;
    }
    const int area = factor * factor;
    for (int x = 0; x < width; ++x) {
      for (int k = 0; k < 4; ++k) {
        int sum = 0;
        for (int i = 0; i < factor; ++i) {
          const std::uint8_t* row = first + i * rowBytes + 4 * x * factor + k;
          for (int j = 0; j < factor; ++j) sum += row[4 * j];
        }
        out[4 * x + k] = static_cast<std::uint8_t>((sum + area / 2) / area);
      }
    }
  }
  return reduced;
}

}  // namespace vembrel
