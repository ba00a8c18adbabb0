#include "imaging/composite.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <type_traits>

#include "core/error.h"
#include "imaging/pixel_kernels.h"
#include "imaging/simd_path.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
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
// A stretched window as 16-bit arithmetic: (clamp(v, cutoff, saturation) -
// cutoff) * 255, divided by the window's range as a multiply-high by
// multiplier and a shift right by shift. Usable only when it gives the
// table's value for every one of the 256 inputs, which is checked.
struct StretchArithmetic {
  bool usable = false;
  int cutoff = 0;
  int saturation = 0;
  int multiplier = 0;
  int shift = 0;
};

StretchArithmetic StretchOf(const ChannelWindow& window,
                            const std::array<std::uint8_t, 256>& table) {
  StretchArithmetic stretch;
  const int range = window.saturation - window.cutoff;
  if (!window.stretch || range <= 0 || window.cutoff < 0 || window.saturation > 255) return stretch;
  stretch.cutoff = window.cutoff;
  stretch.saturation = window.saturation;
  for (int shift = 0; shift <= 8; ++shift) {
    const std::uint32_t multiplier =
        ((std::uint32_t{1} << (16 + shift)) + static_cast<std::uint32_t>(range) - 1) /
        static_cast<std::uint32_t>(range);
    if (multiplier > 0xffff) continue;
    bool exact = true;
    for (int v = 0; v < 256 && exact; ++v) {
      const std::uint32_t n = static_cast<std::uint32_t>(
                                  std::clamp(v, window.cutoff, window.saturation) - window.cutoff) *
                              255;
      exact = ((n * multiplier) >> 16 >> shift) == table[v];
    }
    if (exact) {
      stretch.usable = true;
      stretch.multiplier = static_cast<int>(multiplier);
      stretch.shift = shift;
      return stretch;
    }
  }
  return stretch;
}

// The low bytes of eight words (two vectors of four) as 16-bit lanes.
inline __m128i LowBytes8(__m128i first, __m128i second) {
  const __m128i low = _mm_set1_epi32(0xff);
  return _mm_packs_epi32(_mm_and_si128(first, low), _mm_and_si128(second, low));
}

// Eight 16-bit grey values through the window.
inline __m128i Stretch8(__m128i v, const StretchArithmetic& s) {
  v = _mm_min_epi16(_mm_max_epi16(v, _mm_set1_epi16(static_cast<short>(s.cutoff))),
                    _mm_set1_epi16(static_cast<short>(s.saturation)));
  v = _mm_mullo_epi16(_mm_sub_epi16(v, _mm_set1_epi16(static_cast<short>(s.cutoff))),
                      _mm_set1_epi16(255));
  v = _mm_mulhi_epu16(v, _mm_set1_epi16(static_cast<short>(s.multiplier)));
  return _mm_srl_epi16(v, _mm_cvtsi32_si128(s.shift));
}
#endif

#if defined(__x86_64__)
// The same for sixteen.
[[gnu::target("avx2")]] __m256i Stretch16(__m256i v, const StretchArithmetic& s) {
  v = _mm256_min_epi16(_mm256_max_epi16(v, _mm256_set1_epi16(static_cast<short>(s.cutoff))),
                       _mm256_set1_epi16(static_cast<short>(s.saturation)));
  v = _mm256_mullo_epi16(_mm256_sub_epi16(v, _mm256_set1_epi16(static_cast<short>(s.cutoff))),
                         _mm256_set1_epi16(255));
  v = _mm256_mulhi_epu16(v, _mm256_set1_epi16(static_cast<short>(s.multiplier)));
  return _mm256_srl_epi16(v, _mm_cvtsi32_si128(s.shift));
}
#endif

}  // namespace

namespace {

// What composing reads and writes. The grey values of each channel lie
// kBlueStride or kGreenStride bytes apart: the blue bytes of a mosaic's
// pixels (4) or its grey plane (1).
struct ComposeParts {
  const std::uint8_t* blue = nullptr;
  const std::uint8_t* green = nullptr;
  std::uint8_t* out = nullptr;
  const std::uint32_t* blueWord = nullptr;   // one 32-bit word per grey value
  const std::uint32_t* greenWord = nullptr;  // little-endian: blue in the low byte
#if defined(__SSE2__)
  StretchArithmetic blueStretch;
  StretchArithmetic greenStretch;
#endif
  // The vector paths need both windows stretched as arithmetic.
  SimdPath path = SimdPath::kPlain;
};

#if defined(__x86_64__)
// Where a vector loop stopped, for the narrower loops to go on, and how many
// of the pixels it composed were saturated.
struct ComposedPart {
  std::size_t next = 0;
  std::int64_t saturated = 0;
};

// Two grey planes composed sixteen pixels at a time, from i on.
[[gnu::target("avx2")]] ComposedPart ComposeGreyAvx2(const ComposeParts& parts, std::size_t i,
                                                     std::size_t to) {
  const std::uint8_t* const blue = parts.blue;
  const std::uint8_t* const green = parts.green;
  std::uint8_t* const out = parts.out;
  const StretchArithmetic blueStretch = parts.blueStretch;
  const StretchArithmetic greenStretch = parts.greenStretch;
  const __m256i spare = _mm256_set1_epi32(static_cast<int>(0xff000000u));
  const __m256i full = _mm256_set1_epi16(255);
  std::int64_t saturated = 0;
  // Saturated pixels count down 16-bit lanes, as in the SSE2 loop.
  constexpr std::size_t kBlock = 16 * 32767;
  while (i + 16 <= to) {
    const std::size_t stop = i + std::min(kBlock, (to - i) / 16 * 16);
    __m256i lanes = _mm256_setzero_si256();
    for (; i < stop; i += 16) {
      const __m256i blueGrey =
          _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + i)));
      const __m256i greenGrey =
          _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(green + i)));
      lanes = _mm256_add_epi16(lanes, _mm256_cmpeq_epi16(blueGrey, full));
      const __m256i blueAndGreen =
          _mm256_or_si256(Stretch16(blueGrey, blueStretch),
                          _mm256_slli_epi16(Stretch16(greenGrey, greenStretch), 8));
      _mm256_storeu_si256(
          reinterpret_cast<__m256i*>(out + 4 * i),
          _mm256_or_si256(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(blueAndGreen)), spare));
      _mm256_storeu_si256(
          reinterpret_cast<__m256i*>(out + 4 * i + 32),
          _mm256_or_si256(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(blueAndGreen, 1)), spare));
    }
    alignas(32) std::int32_t sums[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums),
                       _mm256_madd_epi16(lanes, _mm256_set1_epi16(-1)));
    for (const std::int32_t sum : sums) saturated += sum;
  }
  return {i, saturated};
}
#endif

// Pixels from .. to - 1 composed; returns how many of them are saturated.
// The parts come by value, so that the stores, which may alias anything,
// do not make the compiler load them again.
template <int kBlueStride, int kGreenStride>
std::int64_t ComposeRun(const ComposeParts parts, std::size_t from, std::size_t to) {
  const std::uint8_t* const blue = parts.blue;
  const std::uint8_t* const green = parts.green;
  std::uint8_t* const out = parts.out;
  std::size_t i = from;
  std::int64_t saturated = 0;
#if defined(__x86_64__)
  if constexpr (kBlueStride == 1 && kGreenStride == 1) {
    if (parts.path == SimdPath::kAvx2) {
      const ComposedPart part = ComposeGreyAvx2(parts, i, to);
      i = part.next;
      saturated = part.saturated;
    }
  }
#endif
#if defined(__SSE2__)
  // Stretched windows, as the settings have them by default, eight pixels at a time.
  const StretchArithmetic blueStretch = parts.blueStretch;
  const StretchArithmetic greenStretch = parts.greenStretch;
  if (parts.path != SimdPath::kPlain) {
    const __m128i spare = _mm_set1_epi32(static_cast<int>(0xff000000u));
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const auto load = [](const std::uint8_t* at) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // Eight grey values of a channel as 16-bit lanes.
    const auto grey8 = [&](const std::uint8_t* values, std::size_t at, auto stride) {
      if constexpr (decltype(stride)::value == 4) {
        return LowBytes8(load(values + 4 * at), load(values + 4 * at + 16));
      } else {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + at)),
                                 zero);
      }
    };
    using BlueStride = std::integral_constant<int, kBlueStride>;
    using GreenStride = std::integral_constant<int, kGreenStride>;
    // Saturated pixels count down 16-bit lanes (-1 is all ones), which are
    // widened before they could overflow.
    constexpr std::size_t kBlock = 8 * 32767;
    while (i + 8 <= to) {
      const std::size_t stop = i + std::min(kBlock, (to - i) / 8 * 8);
      __m128i lanes = zero;
      for (; i < stop; i += 8) {
        // The spare bytes come from the blue mosaic's pixels; a grey plane's are 255.
        __m128i spare0 = spare, spare1 = spare;
        if constexpr (kBlueStride == 4) {
          spare0 = _mm_and_si128(load(blue + 4 * i), spare);
          spare1 = _mm_and_si128(load(blue + 4 * i + 16), spare);
        }
        const __m128i blueGrey = grey8(blue, i, BlueStride{});
        lanes = _mm_add_epi16(lanes, _mm_cmpeq_epi16(blueGrey, full));
        const __m128i blueAndGreen =
            _mm_or_si128(Stretch8(blueGrey, blueStretch),
                         _mm_slli_epi16(Stretch8(grey8(green, i, GreenStride{}), greenStretch), 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                         _mm_or_si128(_mm_unpacklo_epi16(blueAndGreen, zero), spare0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i + 16),
                         _mm_or_si128(_mm_unpackhi_epi16(blueAndGreen, zero), spare1));
      }
      alignas(16) std::int32_t sums[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_madd_epi16(lanes, _mm_set1_epi16(-1)));
      saturated += std::int64_t{sums[0]} + sums[1] + sums[2] + sums[3];
    }
  }
#endif
  for (; i < to; ++i) {
    std::uint32_t b = 0xff000000u | blue[i];
    if constexpr (kBlueStride == 4) std::memcpy(&b, blue + 4 * i, 4);
    const std::uint32_t word =
        parts.blueWord[b & 0xff] | parts.greenWord[green[kGreenStride * i]] | (b & 0xff000000u);
    std::memcpy(out + 4 * i, &word, 4);
    saturated += (b & 0xff) == 0xff ? 1 : 0;
  }
  return saturated;
}

template <int kBlueStride, int kGreenStride, class Blue>
std::int64_t Compose(const Blue& blueMosaic, const std::uint8_t* green, int greenWidth,
                     int greenHeight, const ChannelWindow& blueWindow,
                     const ChannelWindow& greenWindow, Picture& composite, Picture* halved,
                     const CompositeMarks* marks) {
  static_assert(kBlueStride == 1 || kBlueStride == 4);
  static_assert(kGreenStride == 1 || kGreenStride == 4);
  if (blueMosaic.width != greenWidth || blueMosaic.height != greenHeight) {
    throw Error("The blue mosaic (" + std::to_string(blueMosaic.width) + " x " +
                std::to_string(blueMosaic.height) + ") and the green mosaic (" +
                std::to_string(greenWidth) + " x " + std::to_string(greenHeight) +
                ") differ in size");
  }
  const auto blueTable = WindowTable(blueWindow);
  const auto greenTable = WindowTable(greenWindow);
  composite.width = blueMosaic.width;
  composite.height = blueMosaic.height;
  composite.bytes.resize(std::size_t{4} * blueMosaic.width * blueMosaic.height);

  std::array<std::uint32_t, 256> blueWord{};
  std::array<std::uint32_t, 256> greenWord{};
  for (int v = 0; v < 256; ++v) {
    blueWord[v] = blueTable[v];
    greenWord[v] = std::uint32_t{greenTable[v]} << 8;
  }
  ComposeParts parts;
  parts.blue = blueMosaic.bytes.data();
  parts.green = green;
  parts.out = composite.bytes.data();
  parts.blueWord = blueWord.data();
  parts.greenWord = greenWord.data();
#if defined(__SSE2__)
  parts.blueStretch = StretchOf(blueWindow, blueTable);
  parts.greenStretch = StretchOf(greenWindow, greenTable);
  if (parts.blueStretch.usable && parts.greenStretch.usable) parts.path = CurrentSimdPath();
#endif
  const auto composeRun = [&parts](std::size_t from, std::size_t to) {
    return ComposeRun<kBlueStride, kGreenStride>(parts, from, to);
  };
  std::uint8_t* const out = parts.out;
  const std::size_t pixels = composite.bytes.size() / 4;
  if (!halved && !marks) return composeRun(0, pixels);
  const auto mark = [&](std::size_t from, std::size_t to) {
    if (marks) {
      MarkPixelsAtLeast(out + 4 * from, static_cast<std::int64_t>(to - from), marks->cutoffBlue,
                        marks->cutoffGreen, marks->marks + from);
    }
  };

  // Each pair of rows is halved and marked as soon as it is made, while
  // still in cache.
  const std::size_t width = static_cast<std::size_t>(composite.width);
  const int pairs = composite.height / 2;
  if (halved) {
    halved->width = composite.width / 2;
    halved->height = pairs;
    halved->bytes.resize(static_cast<std::size_t>(halved->width) * halved->height * 4);
  }
  std::int64_t saturated = 0;
  for (int r = 0; r < pairs; ++r) {
    const std::size_t lower = 2 * static_cast<std::size_t>(r) * width;
    saturated += composeRun(lower, lower + 2 * width);
    if (halved) {
      HalvePixelRows(out + 4 * lower, out + 4 * (lower + width),
                     halved->bytes.data() + halved->offset(0, r), halved->width);
    }
    mark(lower, lower + 2 * width);
  }
  const std::size_t rest = 2 * static_cast<std::size_t>(pairs) * width;
  saturated += composeRun(rest, pixels);
  mark(rest, pixels);
  return saturated;
}

}  // namespace

std::int64_t MakeComposite(const Picture& blueMosaic, const Picture& greenMosaic,
                           const ChannelWindow& blueWindow, const ChannelWindow& greenWindow,
                           Picture& composite, Picture* halved, const CompositeMarks* marks) {
  return Compose<4, 4>(blueMosaic, greenMosaic.bytes.data(), greenMosaic.width, greenMosaic.height,
                       blueWindow, greenWindow, composite, halved, marks);
}

std::int64_t MakeComposite(const Picture& blueMosaic, const GreyPlane& greenGrey,
                           const ChannelWindow& blueWindow, const ChannelWindow& greenWindow,
                           Picture& composite, Picture* halved, const CompositeMarks* marks) {
  return Compose<4, 1>(blueMosaic, greenGrey.bytes.data(), greenGrey.width, greenGrey.height,
                       blueWindow, greenWindow, composite, halved, marks);
}

std::int64_t MakeComposite(const GreyPlane& blueGrey, const GreyPlane& greenGrey,
                           const ChannelWindow& blueWindow, const ChannelWindow& greenWindow,
                           Picture& composite, Picture* halved, const CompositeMarks* marks) {
  return Compose<1, 1>(blueGrey, greenGrey.bytes.data(), greenGrey.width, greenGrey.height,
                       blueWindow, greenWindow, composite, halved, marks);
}

}  // namespace vembrel
