#include "imaging/zone_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "imaging/disc_geometry.h"
#include "imaging/simd_path.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vembrel {
namespace {

constexpr int kBlock = 4;  // side of the blocks of the coarse cover map
constexpr int kBlockPixels = kBlock * kBlock;
constexpr int kDensityReach = 15;   // blocks each side of a density window (124 px square)
constexpr int kStepWidth = 24;      // pixels each side of the edge in the step score
constexpr int kWideStepWidth = 64;  // the same for the first, coarse search
constexpr int kGridReach = 144;     // the coarse search's starting grid around the middle
constexpr int kGridStep = 48;
constexpr int kNearRadius = 40;     // how far the narrow step's radius may lie from the wide one's
constexpr int kShareWidth = 36;     // pixels of the inner and outer shares beyond the step
constexpr double kEdgeLevel = 0.3;  // the edge: this far from the inner to the outer share

/// Otsu's threshold of a histogram: values above it form the brighter class.
/// Returns -1 when the histogram holds fewer than two distinct values.
template <std::size_t N>
int OtsuThreshold(const std::array<std::int64_t, N>& histogram) {
  std::int64_t total = 0;
  double sum = 0;
  for (std::size_t v = 0; v < N; ++v) {
    total += histogram[v];
    sum += static_cast<double>(v) * static_cast<double>(histogram[v]);
  }
  std::int64_t below = 0;
  double belowSum = 0, best = -1;
  int threshold = -1;
  for (std::size_t v = 0; v + 1 < N; ++v) {
    below += histogram[v];
    belowSum += static_cast<double>(v) * static_cast<double>(histogram[v]);
    const std::int64_t above = total - below;
    if (below == 0 || above == 0) continue;
    const double meanBelow = belowSum / static_cast<double>(below);
    const double meanAbove = (sum - belowSum) / static_cast<double>(above);
    const double between = static_cast<double>(below) * static_cast<double>(above) *
                           (meanAbove - meanBelow) * (meanAbove - meanBelow);
    if (between > best) {
      best = between;
      threshold = static_cast<int>(v);
    }
  }
  return threshold;
}

/// Grey values kGreyStride<Green> bytes apart: a picture's blue bytes, or a
/// grey plane's bytes.
template <class Green>
constexpr int kGreyStride = std::is_same_v<Green, GreyPlane> ? 1 : 4;

/// The grey values of row r (counted from the bottom), kGreyStride apart.
template <class Green>
const std::uint8_t* GreyRow(const Green& green, int r) {
  return green.bytes.data() + kGreyStride<Green> * static_cast<std::size_t>(r) * green.width;
}

/// The blue bytes of pixels [from, to) of a row of 32-bit pixels, to grey.
void BlueBytes(const std::uint8_t* pixels, int from, int to, std::uint8_t* grey) {
  int c = from;
#if defined(__SSE2__)
  // Sixteen pixels at a time: the blue byte of each word, packed twice.
  const __m128i blue = _mm_set1_epi32(0xff);
  for (; c + 16 <= to; c += 16) {
    const auto* in = reinterpret_cast<const __m128i*>(pixels + 4 * c);
    const __m128i a = _mm_and_si128(_mm_loadu_si128(in), blue);
    const __m128i b = _mm_and_si128(_mm_loadu_si128(in + 1), blue);
    const __m128i d = _mm_and_si128(_mm_loadu_si128(in + 2), blue);
    const __m128i e = _mm_and_si128(_mm_loadu_si128(in + 3), blue);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(d, e));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(grey + c), bytes);
  }
#endif
  for (; c < to; ++c) grey[c] = pixels[4 * c];
}

#if defined(__x86_64__)
/// CoverRun's thirty-two blocks at a time from bx; returns where the
/// narrower loops go on.
[[gnu::target("avx2")]] int CoverRunAvx2(const std::uint8_t* const rows[kBlock], int bx, int to,
                                         int threshold, std::uint8_t* cover) {
  const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
  const __m256i limit = _mm256_set1_epi8(static_cast<char>(threshold - 128));
  const __m256i lowByte = _mm256_set1_epi32(0xff);
  // The packs work within lanes: blocks 0-3, 8-11, 16-19, 24-27, then 4-7, ...
  const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  for (; bx + 32 <= to; bx += 32) {
    __m256i sums[4];
    for (int part = 0; part < 4; ++part) {
      __m256i counts = _mm256_setzero_si256();
      for (int i = 0; i < kBlock; ++i) {
        const __m256i grey =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[i] + kBlock * bx + 32 * part));
        counts = _mm256_sub_epi8(counts, _mm256_cmpgt_epi8(_mm256_xor_si256(grey, bias), limit));
      }
      counts = _mm256_add_epi8(counts, _mm256_srli_epi32(counts, 16));
      counts = _mm256_add_epi8(counts, _mm256_srli_epi32(counts, 8));
      sums[part] = _mm256_and_si256(counts, lowByte);
    }
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(sums[0], sums[1]),
                                              _mm256_packs_epi32(sums[2], sums[3]));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(cover + bx),
                        _mm256_permutevar8x32_epi32(bytes, order));
  }
  return bx;
}
#endif

/// Covered pixels (grey above the threshold) of the blocks [from, to) of
/// four grey rows, to cover.
void CoverRun(const std::uint8_t* const rows[kBlock], int from, int to, int threshold,
              std::uint8_t* cover) {
  static_assert(kBlock == 4);
  int bx = from;
  [[maybe_unused]] const SimdPath path = CurrentSimdPath();
#if defined(__x86_64__)
  if (path == SimdPath::kAvx2) bx = CoverRunAvx2(rows, bx, to, threshold, cover);
#endif
#if defined(__SSE2__)
  // Sixteen blocks at a time. Bytes compare signed, so both sides are moved
  // down by 128; each byte counts its row's covered pixels down from 0.
  const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i limit = _mm_set1_epi8(static_cast<char>(threshold - 128));
  const __m128i lowByte = _mm_set1_epi32(0xff);
  for (; path != SimdPath::kPlain && bx + 16 <= to; bx += 16) {
    __m128i sums[4];
    for (int part = 0; part < 4; ++part) {
      __m128i counts = _mm_setzero_si128();
      for (int i = 0; i < kBlock; ++i) {
        const __m128i grey =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[i] + kBlock * bx + 16 * part));
        counts = _mm_sub_epi8(counts, _mm_cmpgt_epi8(_mm_xor_si128(grey, bias), limit));
      }
      // Each word's four bytes (at most 4 each) added into its low byte.
      counts = _mm_add_epi8(counts, _mm_srli_epi32(counts, 16));
      counts = _mm_add_epi8(counts, _mm_srli_epi32(counts, 8));
      sums[part] = _mm_and_si128(counts, lowByte);
    }
    const __m128i bytes =
        _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cover + bx), bytes);
  }
#endif
  for (; bx < to; ++bx) {
    int covered = 0;
    for (int i = 0; i < kBlock; ++i) {
      for (int k = 0; k < kBlock; ++k) covered += rows[i][kBlock * bx + k] > threshold;
    }
    cover[bx] = static_cast<std::uint8_t>(covered);
  }
}

/// Covered pixels (cell stain above the threshold) counted in 4 x 4 blocks,
/// and which blocks lie in usable quarters.
class CoverMap {
 public:
  /// From a picture's blue bytes or a grey plane. With whole (a picture
  /// only), every pixel's grey value is also written to it, on the way.
  template <class Green>
  CoverMap(const Green& green, const BlackQuarters& black, GreyPlane* whole = nullptr)
      : width_(green.width),
        height_(green.height),
        blocksX_(green.width / kBlock),
        blocksY_(green.height / kBlock),
        cover_(static_cast<std::size_t>(blocksX_) * blocksY_, 0),
        known_(cover_.size(), 0) {
    // A block lies in the quarter of its first pixel: blocks from these on
    // lie in the right half and the upper half.
    const int firstRight = (width_ / 2 + kBlock - 1) / kBlock;
    const int firstUpper = (height_ / 2 + kBlock - 1) / kBlock;
    // Known blocks come in runs (whole quarters): the first and one past
    // the last block of each, and each row of blocks' first run.
    std::vector<std::pair<int, int>> runs;
    std::vector<std::size_t> rowRuns{0};
    for (int by = 0; by < blocksY_; ++by) {
      const bool upper = by >= firstUpper;
      std::uint8_t* row = known_.data() + index(0, by);
      const int split = std::min(firstRight, blocksX_);
      const bool left = !black[upper ? 3 : 0], right = !black[upper ? 2 : 1];
      std::fill(row, row + split, left ? 1 : 0);
      std::fill(row + split, row + blocksX_, right ? 1 : 0);
      if (left && right) {
        runs.emplace_back(0, blocksX_);
      } else if (left && split > 0) {
        runs.emplace_back(0, split);
      } else if (right && split < blocksX_) {
        runs.emplace_back(split, blocksX_);
      }
      rowRuns.push_back(runs.size());
    }
    // The mosaic is read once: the blue bytes of known blocks (of all
    // pixels, for whole) are copied to a grey picture (a quarter of the
    // bytes), which the histogram and, once the threshold is known, the
    // block counts read. A grey plane is read as it is.
    constexpr bool kPlane = std::is_same_v<Green, GreyPlane>;
    std::uint8_t* grey = nullptr;
    int columns = blocksX_ * kBlock;
    if constexpr (kPlane) {
      whole = nullptr;
      columns = width_;
    } else if (whole) {
      whole->width = width_;
      whole->height = height_;
      whole->bytes.resize(static_cast<std::size_t>(width_) * height_);
      grey = whole->bytes.data();
      columns = width_;
    } else {
      grey = GreyBuffer(static_cast<std::size_t>(columns) * blocksY_ * kBlock).data();
    }
    const auto greyRow = [&](int r) {
      if constexpr (kPlane) {
        return GreyRow(green, r);
      } else {
        return grey + static_cast<std::size_t>(r) * columns;
      }
    };
    // One histogram per pixel of four, so that no increment waits for the
    // one before it.
    static_assert(kBlock == 4);
    std::array<std::uint32_t, 256> first{}, second{}, third{}, fourth{};
    for (int by = 0; by < blocksY_; ++by) {
      for (int r = by * kBlock; r < (by + 1) * kBlock; ++r) {
        const std::uint8_t* pixels = GreyRow(green, r);
        const auto row = greyRow(r);
        if constexpr (!kPlane) {
          if (whole) BlueBytes(pixels, 0, width_, row);
        }
        for (std::size_t k = rowRuns[by]; k < rowRuns[by + 1]; ++k) {
          const auto [runStart, runEnd] = runs[k];
          if constexpr (!kPlane) {
            if (!whole) BlueBytes(pixels, kBlock * runStart, kBlock * runEnd, row);
          }
          const std::uint8_t* pixel = row + kBlock * runStart;
          const std::uint8_t* const stop = row + kBlock * runEnd;
          for (; stop - pixel >= 4 * kBlock; pixel += 4 * kBlock) {
            for (int i = 0; i < 4 * kBlock; i += 4) {
              ++first[pixel[i]];
              ++second[pixel[i + 1]];
              ++third[pixel[i + 2]];
              ++fourth[pixel[i + 3]];
            }
          }
          for (; pixel != stop; pixel += kBlock) {
            ++first[pixel[0]];
            ++second[pixel[1]];
            ++third[pixel[2]];
            ++fourth[pixel[3]];
          }
        }
      }
    }
    // Rows below no whole block.
    for (int r = blocksY_ * kBlock; whole && r < height_; ++r) {
      if constexpr (!kPlane) BlueBytes(GreyRow(green, r), 0, width_, greyRow(r));
    }
    std::array<std::int64_t, 256> histogram{};
    for (int v = 0; v < 256; ++v) {
      histogram[v] = std::int64_t{first[v]} + second[v] + third[v] + fourth[v];
    }
    threshold_ = OtsuThreshold(histogram);
    if (threshold_ < 0) return;  // nothing usable, or one grey value only
    for (int by = 0; by < blocksY_; ++by) {
      const std::uint8_t* rows[kBlock];
      for (int i = 0; i < kBlock; ++i) rows[i] = greyRow(by * kBlock + i);
      for (std::size_t k = rowRuns[by]; k < rowRuns[by + 1]; ++k) {
        CoverRun(rows, runs[k].first, runs[k].second, threshold_, cover_.data() + index(0, by));
      }
    }
    usable_ = true;
  }

  bool usable() const { return usable_; }
  int threshold() const { return threshold_; }
  int blocksX() const { return blocksX_; }
  int blocksY() const { return blocksY_; }
  std::size_t index(int bx, int by) const { return static_cast<std::size_t>(by) * blocksX_ + bx; }
  int cover(int bx, int by) const { return cover_[index(bx, by)]; }
  bool known(int bx, int by) const { return known_[index(bx, by)] != 0; }
  const std::uint8_t& knownRow(int by) const { return known_[index(0, by)]; }
  const std::uint8_t& coverRow(int by) const { return cover_[index(0, by)]; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_, blocksX_, blocksY_;
  std::vector<std::uint8_t> cover_;
  std::vector<std::uint8_t> known_;
  int threshold_ = -1;
  bool usable_ = false;

  // Every analysis assesses its well; one buffer per thread spares the page
  // faults of a fresh 1 MB allocation each time.
  static std::vector<std::uint8_t>& GreyBuffer(std::size_t size) {
    thread_local std::vector<std::uint8_t> buffer;
    buffer.resize(size);
    return buffer;
  }
};

/// Squared Euclidean distance transform in one dimension (Felzenszwalb and
/// Huttenlocher's lower envelope of parabolas) of the n values at f, into d;
/// v and z are work space of n and n + 1 entries.
void DistanceTransform1D(const double* f, int n, double* d, int* v, double* z) {
  // A line of one value (all sites, or none) is its own transform: every
  // intersection below lies half-way between two sites, exactly, and each
  // point keeps its own parabola.
  if (std::all_of(f, f + n, [&](double value) { return value == f[0]; })) {
    std::copy(f, f + n, d);
    return;
  }
  int k = 0;
  v[0] = 0;
  z[0] = -std::numeric_limits<double>::infinity();
  z[1] = std::numeric_limits<double>::infinity();
  for (int q = 1; q < n; ++q) {
    double s = 0;
    while (true) {
      const int p = v[k];
      s = ((f[q] + double(q) * q) - (f[p] + double(p) * p)) / (2.0 * q - 2.0 * p);
      if (s > z[k] || k == 0) break;
      --k;
    }
    if (s <= z[k]) {  // k == 0 and the first parabola is hidden
      v[0] = q;
      z[0] = -std::numeric_limits<double>::infinity();
      z[1] = std::numeric_limits<double>::infinity();
      continue;
    }
    ++k;
    v[k] = q;
    z[k] = s;
    z[k + 1] = std::numeric_limits<double>::infinity();
  }
  k = 0;
  for (int q = 0; q < n; ++q) {
    while (z[k + 1] < q) ++k;
    const double dq = q - v[k];
    d[q] = dq * dq + f[v[k]];
  }
}

/// The first, along-the-row pass of the transform for a row of n blocks
/// whose sites are marked: the squared distance to the nearest site, or
/// `far` in a row without a site. This is what the envelope above gives for
/// such a row (its intersections between sites are exact half-integers, those
/// with `far` lie far outside the row), counted in integers.
void RowDistances(const std::uint8_t* site, int n, double far, double* d) {
  constexpr int kNone = std::numeric_limits<int>::max() / 2;
  int last = -kNone;
  for (int q = 0; q < n; ++q) {
    if (site[q]) last = q;
    d[q] = static_cast<double>(q - last);  // distance to the nearest site on the left
  }
  if (last < 0) {
    std::fill(d, d + n, far);
    return;
  }
  int next = kNone;
  for (int q = n - 1; q >= 0; --q) {
    if (site[q]) next = q;
    const int nearest = std::min(static_cast<int>(d[q]), next - q);
    d[q] = static_cast<double>(nearest) * nearest;
  }
}

/// The density map (covered share of a 60 px window around each block), the
/// largest disc free of dense blocks, and the well's typical density.
ZoneAssessment Assess(const CoverMap& map) {
  ZoneAssessment assessment;
  assessment.threshold = std::max(map.threshold(), 0);
  assessment.x = map.width() / 2;
  assessment.y = map.height() / 2;
  if (!map.usable()) return assessment;
  const int bw = map.blocksX(), bh = map.blocksY();
  // Integral images of covered and known pixels, counted modulo 2^16: a
  // window's sum, at most 16 x 31 x 31 = 15376 pixels, is below 2^16, so the
  // wrapped difference of four entries is the window's exact sum.
  static_assert(std::int64_t{kBlockPixels} * (2 * kDensityReach + 1) * (2 * kDensityReach + 1) <
                65536);
  // Every sum is written below but those of the zero row and column.
  const std::size_t sums = static_cast<std::size_t>(bw + 1) * (bh + 1);
  const auto coverSum = std::make_unique_for_overwrite<std::uint16_t[]>(sums);
  const auto knownSum = std::make_unique_for_overwrite<std::uint16_t[]>(sums);
  const auto at = [&](int x, int y) { return static_cast<std::size_t>(y) * (bw + 1) + x; };
  std::fill(coverSum.get(), coverSum.get() + bw + 1, 0);
  std::fill(knownSum.get(), knownSum.get() + bw + 1, 0);
  for (int y = 1; y <= bh; ++y) coverSum[at(0, y)] = knownSum[at(0, y)] = 0;
  for (int y = 0; y < bh; ++y) {
    // Each row's running sums on top of the row below's totals.
    const std::uint16_t* coverBelow = coverSum.get() + at(1, y);
    const std::uint16_t* knownBelow = knownSum.get() + at(1, y);
    std::uint16_t* coverRow = coverSum.get() + at(1, y + 1);
    std::uint16_t* knownRow = knownSum.get() + at(1, y + 1);
    const std::uint8_t* known = &map.knownRow(y);
    const std::uint8_t* cover = &map.coverRow(y);
    std::uint16_t coverRun = 0, knownRun = 0;
    for (int x = 0; x < bw; ++x) {
      coverRun = static_cast<std::uint16_t>(coverRun + cover[x]);
      knownRun = static_cast<std::uint16_t>(knownRun + (known[x] ? kBlockPixels : 0));
      coverRow[x] = static_cast<std::uint16_t>(coverBelow[x] + coverRun);
      knownRow[x] = static_cast<std::uint16_t>(knownBelow[x] + knownRun);
    }
  }
  // Density in 1/256 steps; -1 where less than half the window is known.
  std::vector<std::int16_t> density(static_cast<std::size_t>(bw) * bh, -1);
  std::array<std::int64_t, 257> histogram{};
  constexpr int window = kBlockPixels * (2 * kDensityReach + 1) * (2 * kDensityReach + 1);
  for (int y = 0; y < bh; ++y) {
    const int y0 = std::max(0, y - kDensityReach), y1 = std::min(bh, y + kDensityReach + 1);
    const std::uint16_t* knownTop = knownSum.get() + at(0, y1);
    const std::uint16_t* knownBottom = knownSum.get() + at(0, y0);
    const std::uint16_t* coverTop = coverSum.get() + at(0, y1);
    const std::uint16_t* coverBottom = coverSum.get() + at(0, y0);
    const std::uint8_t* knownRow = &map.knownRow(y);
    std::int16_t* densityRow = density.data() + static_cast<std::size_t>(y) * bw;
    for (int x = 0; x < bw; ++x) {
      if (!knownRow[x]) continue;
      const int x0 = std::max(0, x - kDensityReach), x1 = std::min(bw, x + kDensityReach + 1);
      const int known = static_cast<std::uint16_t>(knownTop[x1] - knownTop[x0] - knownBottom[x1] +
                                                   knownBottom[x0]);
      if (known * 4 < window)
        continue;  // windows cut by the picture's edge judge on what they hold
      const int covered = static_cast<std::uint16_t>(coverTop[x1] - coverTop[x0] - coverBottom[x1] +
                                                     coverBottom[x0]);
      // Whole windows, most of them, divide by a constant (a multiplication).
      const int value = known == window ? covered * 256 / window : covered * 256 / known;
      densityRow[x] = static_cast<std::int16_t>(value);
      ++histogram[value];
    }
  }
  std::int64_t counted = 0;
  for (const std::int64_t h : histogram) counted += h;
  if (counted == 0) return assessment;
  // The typical density: the 75th percentile.
  std::int64_t seen = 0;
  int typical = 0;
  for (int v = 0; v <= 256; ++v) {
    seen += histogram[v];
    if (4 * seen >= 3 * counted) {
      typical = v;
      break;
    }
  }
  // Sparse: below half the typical density.
  const int split = typical / 2;
  // Sites of the distance transform: dense or unknown blocks.
  constexpr double kFar = 1e12;
  std::vector<std::uint8_t> sites(density.size());
  for (std::size_t b = 0; b < density.size(); ++b) {
    // Unknown (-1) wraps to the top of the unsigned range.
    sites[b] = static_cast<std::uint16_t>(density[b]) >= split ? 1 : 0;
  }
  // Written whole by the row pass, which also finds each column's largest
  // row distance.
  const auto distance = std::make_unique_for_overwrite<double[]>(density.size());
  std::vector<double> highest(bw, 0);
  for (int y = 0; y < bh; ++y) {
    const std::size_t row = static_cast<std::size_t>(y) * bw;
    RowDistances(sites.data() + row, bw, kFar, distance.get() + row);
    const double* d = distance.get() + row;
    for (int x = 0; x < bw; ++x) highest[x] = std::max(highest[x], d[x]);
  }
  // The column pass. Only the deepest block is wanted: the first of the
  // largest distances in row order, that is the lowest row, then the
  // leftmost. A column's transform is nowhere above its row distances, so
  // columns are taken largest row distance first, and once that falls below
  // the deepest distance found, no later column can reach it; only the
  // columns taken are copied out.
  std::vector<int> order(bw);
  for (int x = 0; x < bw; ++x) order[x] = x;
  std::sort(order.begin(), order.end(), [&](int a, int b) { return highest[a] > highest[b]; });
  std::vector<double> column(bh), result(bh), envelopeZ(bh + 1);
  std::vector<int> envelopeV(bh);
  double deepestDistance = -1;
  int bx = 0, by = 0;
  for (const int x : order) {
    if (highest[x] < deepestDistance) break;
    for (int y = 0; y < bh; ++y) column[y] = distance[static_cast<std::size_t>(y) * bw + x];
    DistanceTransform1D(column.data(), bh, result.data(), envelopeV.data(), envelopeZ.data());
    // The column's largest distance with four running maxima (no branch
    // per block), then its first row only where it may be the deepest.
    double maxima[4] = {result[0], result[0], result[0], result[0]};
    int y = 0;
    for (; y + 4 <= bh; y += 4) {
      for (int i = 0; i < 4; ++i) maxima[i] = std::max(maxima[i], result[y + i]);
    }
    for (; y < bh; ++y) maxima[0] = std::max(maxima[0], result[y]);
    const double value = std::max(std::max(maxima[0], maxima[1]), std::max(maxima[2], maxima[3]));
    if (value < deepestDistance) continue;
    const int deepestY =
        static_cast<int>(std::find(result.begin(), result.end(), value) - result.begin());
    if (value > deepestDistance || deepestY < by || (deepestY == by && x < bx)) {
      deepestDistance = value;
      bx = x;
      by = deepestY;
    }
  }
  const double depth = std::sqrt(std::min(deepestDistance, 4.0 * bw * bw + 4.0 * bh * bh));
  assessment.judged = true;
  assessment.x = bx * kBlock + kBlock / 2;
  assessment.y = by * kBlock + kBlock / 2;
  assessment.radius = static_cast<int>(depth * kBlock);
  // The covered share of that disc.
  std::int64_t inside = 0, insidePixels = 0;
  const double reach2 = depth * depth;
  // Blocks farther than depth + 1 on either axis lie outside the disc.
  const int box = static_cast<int>(std::ceil(depth)) + 1;
  for (int y = std::max(0, by - box); y < std::min(bh, by + box + 1); ++y) {
    for (int x = std::max(0, bx - box); x < std::min(bw, bx + box + 1); ++x) {
      if (!map.known(x, y)) continue;
      const double dx = x - bx, dy = y - by;
      if (dx * dx + dy * dy >= reach2) continue;
      inside += map.cover(x, y);
      insidePixels += kBlockPixels;
    }
  }
  assessment.insideCover = insidePixels > 0 ? double(inside) / double(insidePixels) : 0;
  assessment.typicalCover = typical / 256.0;
  assessment.clear = assessment.radius >= kSmallestZone &&
                     assessment.insideCover <= 0.5 * assessment.typicalCover &&
                     assessment.typicalCover - assessment.insideCover >= 0.15;
  return assessment;
}

/// The radial profile of the covered share around a centre, in bins of
/// `binWidth` pixels, from the cover map's blocks.
struct RadialProfile {
  std::vector<std::int64_t> covered, pixels;  // cumulative: bins [0, k)
  double share(int from, int to) const {      // covered share of bins [from, to)
    from = std::clamp(from, 0, static_cast<int>(pixels.size()) - 1);
    to = std::clamp(to, 0, static_cast<int>(pixels.size()) - 1);
    const std::int64_t n = pixels[to] - pixels[from];
    return n > 0 ? double(covered[to] - covered[from]) / double(n) : -1;
  }
};

/// Covered and known pixels summed over square blocks of one size, with the
/// blocks' centres, for quick radial profiles.
struct BlockGrid {
  int side = 0;  // block side in pixels
  int nx = 0, ny = 0;
  std::vector<std::uint16_t> covered, known;  // pixels per block

  BlockGrid(const CoverMap& map, int blocksPerSide)
      : side(kBlock * blocksPerSide),
        nx(map.blocksX() / blocksPerSide),
        ny(map.blocksY() / blocksPerSide),
        covered(static_cast<std::size_t>(nx) * ny, 0),
        known(covered.size(), 0) {
    for (int by = 0; by < ny * blocksPerSide; ++by) {
      for (int bx = 0; bx < nx * blocksPerSide; ++bx) {
        if (!map.known(bx, by)) continue;
        const std::size_t b =
            static_cast<std::size_t>(by / blocksPerSide) * nx + bx / blocksPerSide;
        covered[b] = static_cast<std::uint16_t>(covered[b] + map.cover(bx, by));
        known[b] = static_cast<std::uint16_t>(known[b] + kBlockPixels);
      }
    }
  }
};

/// The profile from blocks whose centres lie between `inner` and
/// bins x binWidth pixels from (x, y).
RadialProfile BlockProfile(const BlockGrid& grid, double x, double y, int inner, int bins,
                           int binWidth) {
  std::vector<std::int64_t> covered(bins, 0), pixels(bins, 0);
  const double reach = double(bins) * binWidth;
  const int bx0 = std::max(0, static_cast<int>((x - reach) / grid.side));
  const int bx1 = std::min(grid.nx - 1, static_cast<int>((x + reach) / grid.side) + 1);
  const int by0 = std::max(0, static_cast<int>((y - reach) / grid.side));
  const int by1 = std::min(grid.ny - 1, static_cast<int>((y + reach) / grid.side) + 1);
  const double centre = (grid.side - 1) / 2.0, toBin = 1.0 / binWidth;
  for (int by = by0; by <= by1; ++by) {
    const double dy = by * grid.side + centre - y;
    const std::size_t row = static_cast<std::size_t>(by) * grid.nx;
    // Blocks of this row nearer than `inner` lie between holeFrom and holeTo.
    int holeFrom = bx1 + 1, holeTo = bx1;
    if (dy * dy < double(inner) * inner) {
      const double hole = std::sqrt(double(inner) * inner - dy * dy);
      holeFrom = static_cast<int>(std::ceil((x - hole - centre) / grid.side)) + 1;
      holeTo = static_cast<int>(std::floor((x + hole - centre) / grid.side)) - 1;
    }
    for (int bx = bx0; bx <= bx1; ++bx) {
      if (bx == holeFrom && holeTo >= holeFrom) bx = holeTo + 1;
      if (bx > bx1) break;
      const std::uint16_t known = grid.known[row + bx];
      if (known == 0) continue;
      const double dx = bx * grid.side + centre - x;
      const int bin = static_cast<int>(std::sqrt(dx * dx + dy * dy) * toBin);
      if (bin >= bins) continue;
      covered[bin] += grid.covered[row + bx];
      pixels[bin] += known;
    }
  }
  RadialProfile profile;
  profile.covered.assign(bins + 1, 0);
  profile.pixels.assign(bins + 1, 0);
  for (int k = 0; k < bins; ++k) {
    profile.covered[k + 1] = profile.covered[k] + covered[k];
    profile.pixels[k + 1] = profile.pixels[k] + pixels[k];
  }
  return profile;
}

/// The profile at pixel resolution (1 px bins) over the radii inner..outer - 1.
template <class Green>
RadialProfile PixelProfile(const Green& green, const CoverMap& map, int x, int y, int inner,
                           int outer) {
  std::vector<std::int64_t> covered(outer, 0), pixels(outer, 0);
  const int r0 = std::max(0, y - outer + 1),
            r1 = std::min(map.blocksY() * kBlock - 1, y + outer - 1);
  const std::int64_t outer2 = std::int64_t{outer} * outer, inner2 = std::int64_t{inner} * inner;
  const int lastColumn = map.blocksX() * kBlock - 1;
  for (int r = r0; r <= r1; ++r) {
    const std::int64_t dy = r - y, dy2 = dy * dy;
    const int half = static_cast<int>(std::sqrt(static_cast<double>(outer2 - dy2 - 1)));
    // Columns nearer than `inner` to the centre are skipped.
    const int hole = dy2 < inner2 ? static_cast<int>(std::sqrt(double(inner2 - dy2 - 1))) : -1;
    const auto span = [&](int c0, int c1) {
      c0 = std::max(c0, 0);
      c1 = std::min(c1, lastColumn);
      const std::uint8_t* pixel = GreyRow(green, r);
      const std::uint8_t* known = &map.knownRow(r / kBlock);
      for (int c = c0; c <= c1; ++c) {
        if (!known[c / kBlock]) continue;
        const std::int64_t dx = c - x, d2 = dx * dx + dy2;
        const auto bin = static_cast<std::size_t>(std::sqrt(static_cast<double>(d2)));
        if (bin >= pixels.size()) continue;
        covered[bin] += pixel[kGreyStride<Green> * c] > map.threshold();
        ++pixels[bin];
      }
    };
    if (hole < 0) {
      span(x - half, x + half);
    } else {
      span(x - half, x - hole - 1);
      span(x + hole + 1, x + half);
    }
  }
  RadialProfile profile;
  profile.covered.assign(outer + 1, 0);
  profile.pixels.assign(outer + 1, 0);
  for (int k = 0; k < outer; ++k) {
    profile.covered[k + 1] = profile.covered[k] + covered[k];
    profile.pixels[k + 1] = profile.pixels[k] + pixels[k];
  }
  return profile;
}

struct Step {
  double score = -2;
  int radius = 0;  // in bins: the first bin outside
};

/// The sharpest rise of the covered share over radii first..last (bins):
/// share of the `width` bins outside minus that of the `width` bins inside.
Step SharpestStep(const RadialProfile& profile, int first, int last, int width, int binWidth) {
  Step best;
  const auto pixels = [&](int from, int to) {
    from = std::clamp(from, 0, static_cast<int>(profile.pixels.size()) - 1);
    to = std::clamp(to, 0, static_cast<int>(profile.pixels.size()) - 1);
    return double(profile.pixels[to] - profile.pixels[from]);
  };
  const double pi = 3.141592653589793, area = pi * binWidth * binWidth;
  for (int k = first; k <= last; ++k) {
    const int inside = std::max(0, k - width);
    // At least half of both bands must lie in the picture's usable part.
    if (2 * pixels(inside, k) < area * (double(k) * k - double(inside) * inside)) continue;
    if (2 * pixels(k, k + width) < area * (double(k + width) * (k + width) - double(k) * k)) {
      continue;
    }
    const double inner = profile.share(inside, k), outer = profile.share(k, k + width);
    if (inner < 0 || outer < 0) continue;
    if (outer - inner > best.score) best = {outer - inner, k};
  }
  return best;
}

template <class Green>
double ContrastOf(const Green& greenMosaic, int x, int y, int radius) {
  // Grey sums of the strict discs of radius and radius + band, row by row.
  const auto disc = [&](int rad, std::int64_t& sum, std::int64_t& pixels) {
    sum = pixels = 0;
    if (rad <= 0) return;
    const std::vector<int> halfWidths = DiscHalfWidths(rad);
    const int firstRow = std::max(0, y - rad + 1);
    const int lastRow = std::min(greenMosaic.height - 1, y + rad - 1);
    for (int r = firstRow; r <= lastRow; ++r) {
      const int half = halfWidths[r > y ? r - y : y - r];
      const int c0 = std::max(0, x - half), c1 = std::min(greenMosaic.width - 1, x + half);
      const std::uint8_t* row = GreyRow(greenMosaic, r);
      for (int c = c0; c <= c1; ++c) sum += row[kGreyStride<Green> * c];
      pixels += std::max(0, c1 - c0 + 1);
    }
  };
  std::int64_t insideSum, insidePixels, outerSum, outerPixels;
  disc(radius, insideSum, insidePixels);
  disc(radius + kZoneBand, outerSum, outerPixels);
  const std::int64_t bandPixels = outerPixels - insidePixels;
  if (insidePixels == 0 || bandPixels == 0) return 0;
  return static_cast<double>(outerSum - insideSum) / static_cast<double>(bandPixels) -
         static_cast<double>(insideSum) / static_cast<double>(insidePixels);
}

template <class Green>
ZoneFit Fit(const Green& greenMosaic, int minRadius, int maxRadius,
            const BlackQuarters& blackQuarters) {
  const int largest =
      static_cast<int>(std::ceil(std::hypot(greenMosaic.width, greenMosaic.height) / 2));
  maxRadius = std::clamp(maxRadius, 1, largest);
  minRadius = std::clamp(minRadius, 1, maxRadius);
  const CoverMap map(greenMosaic, blackQuarters);
  ZoneFit fit;
  fit.zone = Assess(map);
  fit.x = greenMosaic.width / 2;
  fit.y = greenMosaic.height / 2;
  fit.radius = std::clamp(fit.zone.radius, minRadius, maxRadius);
  if (!map.usable()) {
    fit.contrast = ContrastOf(greenMosaic, fit.x, fit.y, fit.radius);
    return fit;
  }

  // The centre. First the wide step (64 px bands, 8 px blocks), whose score
  // still rises from far off the centre: scanned on a grid around the
  // middle, then climbed from the best grid points and from the largest
  // sparse disc. Then the narrow step (24 px bands, 4 px blocks) from there.
  struct Place {
    int x, y;
    Step step;
  };
  const auto climb = [&](Place place, const auto& score, int firstStride, int lastStride) {
    for (int stride = firstStride; stride >= lastStride; stride /= 2) {
      while (true) {
        Place next = place;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = place.x + dx * stride, ny = place.y + dy * stride;
            if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= greenMosaic.width ||
                ny >= greenMosaic.height) {
              continue;
            }
            const Step step = score(nx, ny);
            if (step.score > next.step.score) next = {nx, ny, step};
          }
        }
        if (next.x == place.x && next.y == place.y) break;
        place = next;
      }
    }
    return place;
  };
  const BlockGrid coarse(map, 2), fine(map, 1);
  const auto wide = [&](int x, int y) {
    constexpr int kBin = 4;
    const int bins = (maxRadius + kWideStepWidth) / kBin + 2;
    return SharpestStep(BlockProfile(coarse, x, y, 0, bins, kBin), std::max(minRadius / kBin, 1),
                        maxRadius / kBin, kWideStepWidth / kBin, kBin);
  };
  // The narrow step looks only near the wide step's radius.
  int nearFrom = minRadius, nearTo = maxRadius;
  const auto narrow = [&](int x, int y) {
    constexpr int kBin = 2;
    const int bins = (nearTo + kStepWidth) / kBin + 2;
    return SharpestStep(
        BlockProfile(fine, x, y, std::max(0, nearFrom - kStepWidth - kBlock), bins, kBin),
        std::max(nearFrom / kBin, 1), nearTo / kBin, kStepWidth / kBin, kBin);
  };
  std::vector<Place> starts;
  const int middleX = greenMosaic.width / 2, middleY = greenMosaic.height / 2;
  for (int gy = -kGridReach; gy <= kGridReach; gy += kGridStep) {
    for (int gx = -kGridReach; gx <= kGridReach; gx += kGridStep) {
      starts.push_back({middleX + gx, middleY + gy, wide(middleX + gx, middleY + gy)});
    }
  }
  std::partial_sort(starts.begin(), starts.begin() + 2, starts.end(),
                    [](const Place& a, const Place& b) { return a.step.score > b.step.score; });
  starts.resize(2);
  starts.push_back({fit.zone.x, fit.zone.y, wide(fit.zone.x, fit.zone.y)});
  Place best{middleX, middleY, Step{}};
  for (const Place& start : starts) {
    const Place climbed = climb(start, wide, kGridStep / 2, 8);
    if (climbed.step.score > best.step.score) best = climbed;
  }
  nearFrom = std::max(minRadius, best.step.radius * 4 - kNearRadius);
  nearTo = std::min(maxRadius, best.step.radius * 4 + kNearRadius);
  best = climb(Place{best.x, best.y, narrow(best.x, best.y)}, narrow, 8, 2);
  fit.x = best.x;
  fit.y = best.y;

  // The radius at pixel resolution: the sharpest step, then the level
  // crossing just inside it.
  const int around = best.step.radius * 2;  // the narrow step's radius, in pixels
  const int reach = kStepWidth + kShareWidth + 8;
  const RadialProfile profile =
      PixelProfile(greenMosaic, map, fit.x, fit.y, std::max(0, around - 2 * reach),
                   std::min(maxRadius, around + 8) + reach + 1);
  const Step step = SharpestStep(profile, std::max(minRadius, around - 8),
                                 std::min(maxRadius, around + 8), kStepWidth, 1);
  int radius = step.radius > 0 ? step.radius : fit.radius;
  if (step.radius > 0) {
    double inner = profile.share(radius - kStepWidth - kShareWidth, radius - kStepWidth);
    double outer = profile.share(radius + kStepWidth, radius + kStepWidth + kShareWidth);
    if (inner < 0) inner = profile.share(0, radius - kStepWidth);
    if (inner >= 0 && outer > inner) {
      const double level = inner + kEdgeLevel * (outer - inner);
      // Single pixel rings: a ring of radius r holds about 6 r pixels.
      const auto shareAt = [&](int r) { return profile.share(r, r + 1); };
      if (shareAt(radius) >= level) {
        // Inwards while either of the next two rings is still at the level.
        while (radius > step.radius - kStepWidth && radius > minRadius &&
               (shareAt(radius - 1) >= level || shareAt(radius - 2) >= level)) {
          --radius;
        }
      } else {
        while (radius < step.radius + kStepWidth && radius < maxRadius && shareAt(radius) < level) {
          ++radius;
        }
      }
    }
    fit.edgeStep = step.score;
  }
  fit.radius = std::clamp(radius, minRadius, maxRadius);
  fit.contrast = ContrastOf(greenMosaic, fit.x, fit.y, fit.radius);
  return fit;
}

}  // namespace

double ZoneContrast(const Picture& greenMosaic, int x, int y, int radius) {
  return ContrastOf(greenMosaic, x, y, radius);
}

ZoneAssessment AssessZone(const Picture& greenMosaic, const BlackQuarters& blackQuarters,
                          GreyPlane* grey) {
  return Assess(CoverMap(greenMosaic, blackQuarters, grey));
}

ZoneAssessment AssessZone(const GreyPlane& greenGrey, const BlackQuarters& blackQuarters) {
  return Assess(CoverMap(greenGrey, blackQuarters));
}

ZoneFit FitZone(const Picture& greenMosaic, int minRadius, int maxRadius,
                const BlackQuarters& blackQuarters) {
  return Fit(greenMosaic, minRadius, maxRadius, blackQuarters);
}

ZoneFit FitZone(const GreyPlane& greenGrey, int minRadius, int maxRadius,
                const BlackQuarters& blackQuarters) {
  return Fit(greenGrey, minRadius, maxRadius, blackQuarters);
}

}  // namespace vembrel
