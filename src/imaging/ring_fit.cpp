#include "imaging/ring_fit.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/disc_geometry.h"
#include "imaging/pixel_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vembrel {
namespace {

/// Disc sums over the grey values of one picture, captured once: each row's
/// prefix sums turn the strict disc's row interval into two lookups. A
/// prefix sum is kept in two parts, the sum of whole runs of kGreySumRun
/// pixels before it (32 bits) and the sum within its run (16 bits), which
/// halves the bytes written.
class DiscSummer {
 public:
  explicit DiscSummer(const Picture& picture, int radius)
      : DiscSummer(picture.bytes.data(), 4, picture.width, picture.height, radius) {}
  explicit DiscSummer(const GreyPlane& plane, int radius)
      : DiscSummer(plane.bytes.data(), 1, plane.width, plane.height, radius) {}

  /// Grey values stride bytes apart (4 for 32-bit pixels, 1 for grey bytes).
  DiscSummer(const std::uint8_t* grey, int stride, int width, int height, int radius)
      : width_(width),
        height_(height),
        radius_(radius),
        runs_(static_cast<int>((width_ + kGreySumRun - 1) / kGreySumRun) + 1),
        halfWidths_(DiscHalfWidths(radius)),
        buffers_(Buffers(static_cast<std::size_t>(width_ + 1) * std::max(height_, 0),
                         static_cast<std::size_t>(runs_) * std::max(height_, 0))) {
    const auto prefixSums = stride == 4 ? GreyPrefixSums : GreyBytePrefixSums;
    for (int r = 0; r < height_; ++r) {
      const std::uint8_t* pixels = grey + static_cast<std::size_t>(r) * width_ * stride;
      std::uint16_t* within = buffers_.within.data() + static_cast<std::size_t>(r) * (width_ + 1);
      std::uint32_t* before = buffers_.before.data() + static_cast<std::size_t>(r) * runs_;
      within[0] = 0;
      before[0] = 0;
      for (int c = 0, run = 1; c < width_; c += kGreySumRun, ++run) {
        const int count = static_cast<int>(std::min<std::int64_t>(kGreySumRun, width_ - c));
        prefixSums(pixels + static_cast<std::size_t>(stride) * c, count, within + c + 1);
        before[run] = before[run - 1] + (run > 1 ? within[c] : 0);
      }
    }
  }

  int width() const { return width_; }
  int height() const { return height_; }

  std::int64_t Sum(int x, int y) const {
    if (radius_ <= 0) return 0;
    std::int64_t total = 0;
    const int firstRow = std::max(0, y - radius_ + 1);
    const int lastRow = std::min(height_ - 1, y + radius_ - 1);
    const std::uint16_t* const withinRows = buffers_.within.data();
    const std::uint32_t* const beforeRows = buffers_.before.data();
    for (int r = firstRow; r <= lastRow; ++r) {
      const int half = halfWidths_[r > y ? r - y : y - r];
      const int c0 = std::max(0, x - half);
      const int c1 = std::min(width_ - 1, x + half);
      if (c0 > c1) continue;
      const std::uint16_t* within = withinRows + static_cast<std::size_t>(r) * (width_ + 1);
      const std::uint32_t* before = beforeRows + static_cast<std::size_t>(r) * runs_;
      total += Prefix(within, before, static_cast<unsigned>(c1 + 1)) -
               Prefix(within, before, static_cast<unsigned>(c0));
    }
    return total;
  }

 private:
  struct PrefixBuffers {
    std::vector<std::uint16_t> within;  // (width + 1) per row: entry c, the run's sum up to c
    std::vector<std::uint32_t> before;  // runs per row: entry k, the first k - 1 runs' sum
  };

  /// The grey values of pixels 0 .. c - 1 of a row added up. Entry c of a
  /// row (c >= 1) lies in run (c - 1) / kGreySumRun.
  static std::uint32_t Prefix(const std::uint16_t* within, const std::uint32_t* before,
                              unsigned c) {
    constexpr unsigned kRun = kGreySumRun;
    return before[(c + kRun - 1) / kRun] + within[c];
  }

  int width_;
  int height_;
  int radius_;
  int runs_;
  std::vector<int> halfWidths_;
  PrefixBuffers& buffers_;

  // The fit runs on every ring change; reusing the buffers of each thread
  // spares the page faults of fresh allocations each time.
  static PrefixBuffers& Buffers(std::size_t within, std::size_t before) {
    thread_local PrefixBuffers buffers;
    buffers.within.resize(within);
    buffers.before.resize(before);
    return buffers;
  }
};

/// The compass search shared by the well's fit and the overview's estimate.
RingSearchResult CompassSearch(const DiscSummer& summer, int radius, bool evaluateStart) {
  const int width = summer.width();
  const int height = summer.height();
  RingSearchResult result;
  int x = 512;
  int y = 512;
  std::int64_t best = evaluateStart ? summer.Sum(x, y) : std::int64_t{radius} * radius * 1020;
  int direction = 1;
  double step = 128.0;
  while (step >= 1.0) {
    const int px = x;
    const int py = y;
    const int k = static_cast<int>(step);
    switch (direction) {
      case 1:
        x = std::min(x + k, width - radius);
        break;
      case 2:
        y = std::min(y + k, height - radius);
        break;
      case 3:
        x = std::max(x - k, radius);
        break;
      default:
        y = std::max(y - k, radius);
        break;
    }
    const std::int64_t sum = summer.Sum(x, y);
    ++result.trials;
    if (sum < best) {
      // Strict improvement: stay and try the same direction again.
      best = sum;
      result.centre = {x, y};
    } else {
      x = px;
      y = py;
      if (++direction == 5) {
        direction = 1;
        step = step / 2;
      }
    }
  }
  return result;
}

/// Sets the red byte of pixels from .. to - 1 of a row, leaving the other bytes.
void PaintRed(std::uint8_t* row, int from, int to, std::uint8_t red) {
  constexpr std::uint32_t kKeep = 0xff00ffffu;  // blue, green and spare bytes
  const std::uint32_t redByte = std::uint32_t{red} << 16;
  int c = from;
#if defined(__SSE2__)
  const __m128i keep = _mm_set1_epi32(static_cast<int>(kKeep));
  const __m128i redBytes = _mm_set1_epi32(static_cast<int>(redByte));
  for (; c + 4 <= to; c += 4) {
    auto* pixels = reinterpret_cast<__m128i*>(row + 4 * c);
    _mm_storeu_si128(pixels, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(pixels), keep), redBytes));
  }
#endif
  for (; c < to; ++c) {
    std::uint32_t pixel;
    std::memcpy(&pixel, row + 4 * c, 4);
    pixel = (pixel & kKeep) | redByte;
    std::memcpy(row + 4 * c, &pixel, 4);
  }
}

}  // namespace

RingSearchResult FitRing(const Picture& greenMosaic, int radius) {
  return CompassSearch(DiscSummer(greenMosaic, radius), radius, true);
}

RingSearchResult FitRing(const GreyPlane& greenGrey, int radius) {
  return CompassSearch(DiscSummer(greenGrey, radius), radius, true);
}

RingSearchResult QuickRingEstimate(const Picture& greenMosaic, int radius) {
  return CompassSearch(DiscSummer(greenMosaic, radius), radius, false);
}

std::int64_t DiscSum(const Picture& greenMosaic, int x, int y, int radius) {
  if (radius <= 0) return 0;
  const std::vector<int> halfWidths = DiscHalfWidths(radius);
  std::int64_t total = 0;
  const int firstRow = std::max(0, y - radius + 1);
  const int lastRow = std::min(greenMosaic.height - 1, y + radius - 1);
  for (int r = firstRow; r <= lastRow; ++r) {
    const int half = halfWidths[r > y ? r - y : y - r];
    const int c0 = std::max(0, x - half);
    const int c1 = std::min(greenMosaic.width - 1, x + half);
    for (int c = c0; c <= c1; ++c) total += greenMosaic.at(c, r, kBlue);
  }
  return total;
}

void DrawRingMask(Picture& greenMosaic, int x, int y, int radius) {
  const std::vector<int> halfWidths = DiscHalfWidths(radius);
  for (int r = 0; r < greenMosaic.height; ++r) {
    const int dy = r > y ? r - y : y - r;
    // Empty interval (c0 > c1) for rows the disc does not reach.
    int c0 = 0;
    int c1 = -1;
    if (dy < radius) {
      c0 = x - halfWidths[dy];
      c1 = x + halfWidths[dy];
    }
    c0 = std::clamp(c0, 0, greenMosaic.width);
    c1 = std::clamp(c1 + 1, c0, greenMosaic.width);  // one past the last inside column
    std::uint8_t* row = greenMosaic.bytes.data() + greenMosaic.offset(0, r, kBlue);
    PaintRed(row, 0, c0, 0);
    PaintRed(row, c0, c1, 0xff);
    PaintRed(row, c1, greenMosaic.width, 0);
  }
}

}  // namespace vembrel
