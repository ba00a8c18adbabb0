#include "imaging/cell_segmentation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/error.h"

namespace vembrel {
namespace {

/// What the growth changed in the marked composite: per pixel, one bit for
/// whether its green was cleared and one for its red byte (only ever with
/// its green), and the words changed. A run clears those words at its end,
/// while they are still in the cache, so the next starts from clean bits
/// without a pass over them. Kept per thread.
struct Taken {
  std::vector<std::uint64_t> green, red;
  // The words of green that were 0 before the run: the first changedCount.
  // Room for every word, so taking a pixel never allocates.
  std::vector<std::size_t> changed;
  std::size_t changedCount = 0;

  void Prepare(std::size_t pixels) {
    Clear();  // after a run cut short by an error
    const std::size_t count = (pixels + 63) / 64;
    if (green.size() != count) {
      green.assign(count, 0);
      red.assign(count, 0);
      changed.resize(count);
    }
  }
  void Clear() {
    for (std::size_t i = 0; i < changedCount; ++i) green[changed[i]] = red[changed[i]] = 0;
    changedCount = 0;
  }
  static bool Has(const std::uint64_t* bits, std::int64_t pixel) {
    const auto p = static_cast<std::uint64_t>(pixel);
    return (bits[p / 64] >> (p % 64)) & 1;
  }
  void TakeGreen(std::int64_t pixel) {
    const auto p = static_cast<std::uint64_t>(pixel);
    std::uint64_t& word = green[p / 64];
    if (word == 0) changed[changedCount++] = p / 64;
    word |= std::uint64_t{1} << (p % 64);
  }
  void TakeGreenAndRed(std::int64_t pixel) {
    TakeGreen(pixel);
    const auto p = static_cast<std::uint64_t>(pixel);
    red[p / 64] |= std::uint64_t{1} << (p % 64);
  }
};

/// The composite with its nuclei marked, read on demand instead of marked
/// whole. As marked: outside the ring blue and green are 0; a pixel inside
/// the ring whose blue and green reach the cut-offs gets red 255; all other
/// bytes stay. The growth then clears greens and reds, as Taken records.
/// The ring is the disc of pixels nearer its centre than its radius, worked
/// out instead of read from a 4 MB mask: the growth waits on memory.
class MarkedComposite {
 public:
  MarkedComposite(const Picture& composite, const CellSegmentationSettings& settings, Taken& taken)
      : pixels_(composite.bytes.data()),
        count_(static_cast<std::int64_t>(composite.bytes.size() / 4)),
        ringX_(settings.ring.x),
        ringY_(settings.ring.y),
        radius2_(settings.ring.radius > 0
                     ? std::int64_t{settings.ring.radius} * settings.ring.radius
                     : 0),
        blueCutoff_(static_cast<std::uint32_t>(std::max(settings.lowerCutoffBlue, 0))),
        greenCutoff_(static_cast<std::uint32_t>(std::max(settings.lowerCutoffGreen, 0))),
        taken_(taken),
        greenTaken_(taken.green.data()),
        redTaken_(taken.red.data()) {}

  // The composite's own bytes are read first: they decide most pixels without
  // the ring mask and the record of what was taken.

  /// Whether the pixel's green as marked lies above the cut-off, and that
  /// green. It is the composite's green or 0, so a composite green at or
  /// below the cut-off (which is then not negative) rules the pixel out.
  bool greenAbove(std::int64_t pixel, int cutoff, std::uint8_t& green) const {
    const std::uint8_t own = pixels_[4 * pixel + kGreen];
    if (own <= cutoff) return false;
    green = Taken::Has(greenTaken_, pixel) || !inRing(pixel) ? 0 : own;
    return green > cutoff;
  }
  /// Whether the pixel's red byte as marked is 255.
  bool redFull(std::int64_t pixel) const {
    const std::uint8_t* bytes = pixels_ + 4 * pixel;
    const bool reaches = bytes[kBlue] >= blueCutoff_ && bytes[kGreen] >= greenCutoff_;
    if (!reaches && bytes[kRed] != 255) return false;
    if (Taken::Has(redTaken_, pixel)) return false;
    return bytes[kRed] == 255 || inRing(pixel);
  }
  /// Starts reading the rows below and above a pixel the growth will reach
  /// soon: waiting for those reads is most of the growth's time.
  void Prefetch(std::int64_t pixel) const {
    if (pixel < kMosaicSize || pixel + kMosaicSize >= count_) return;
    __builtin_prefetch(pixels_ + 4 * (pixel - kMosaicSize));
    __builtin_prefetch(pixels_ + 4 * (pixel + kMosaicSize));
  }
  void clearGreen(std::int64_t pixel) { taken_.TakeGreen(pixel); }
  void clearGreenAndRed(std::int64_t pixel) { taken_.TakeGreenAndRed(pixel); }

 private:
  // Pixels of the 1024-wide mosaic, rows counted from the bottom.
  bool inRing(std::int64_t pixel) const {
    const auto p = static_cast<std::uint64_t>(pixel);
    const std::int64_t dx = static_cast<std::int64_t>(p % kMosaicSize) - ringX_;
    const std::int64_t dy = static_cast<std::int64_t>(p / kMosaicSize) - ringY_;
    return dx * dx + dy * dy < radius2_;
  }

  const std::uint8_t* pixels_;
  std::int64_t count_;  // pixels
  std::int64_t ringX_, ringY_;
  std::int64_t radius2_;  // 0 for a ring without pixels
  std::uint32_t blueCutoff_;
  std::uint32_t greenCutoff_;
  Taken& taken_;  // prepared for the mosaic: its bits stay in place
  const std::uint64_t* greenTaken_;
  const std::uint64_t* redTaken_;
};

/// 1-based buffer position of a pixel's red byte.
std::int32_t RedPosition(std::int64_t pixel) {
  return static_cast<std::int32_t>(57 + 4 * pixel);
}

class CellGrower {
 public:
  // mask: where the grown pixels are painted, or null to paint nothing.
  CellGrower(MarkedComposite& work, std::uint8_t* mask, std::int64_t pixels, int height,
             const CellSegmentationSettings& settings)
      : work_(work), mask_(mask), pixels_(pixels), height_(height), settings_(settings) {}

  /// Grows the seed's cell; its record is filled only when it is kept
  /// (outcome None), the size check below included.
  CellRejection Grow(std::int64_t seed, CellRecord& cell, std::uint8_t g, std::uint8_t b,
                     std::uint8_t r) {
    FillNucleus(seed);
    GrowFromNucleus(g, b, r);
    CellRejection outcome = Check();
    if (outcome == CellRejection::None && Size() <= settings_.minSize) {
      outcome = CellRejection::TooSmall;
    }
    if (outcome == CellRejection::None) Record(cell);
    return outcome;
  }

 private:
  // The four neighbours in the order the fills take them: the rows below and
  // above, then left and right (which wrap to the neighbouring rows at the
  // picture's edges); never outside the picture.
  template <typename Visit>
  void ForNeighbours(std::int64_t p, Visit&& visit) const {
    static constexpr std::int64_t kOffsets[4] = {-kMosaicSize, kMosaicSize, -1, 1};
    for (const std::int64_t offset : kOffsets) {
      const std::int64_t q = p + offset;
      if (q >= 0 && q < pixels_) visit(q);
    }
  }

  std::int64_t Size() const { return static_cast<std::int64_t>(taken_.size()); }

  // Both fills take pixels breadth first: every pixel's neighbours are looked
  // at once, in the order the pixels were taken.
  void FillNucleus(std::int64_t seed) {
    taken_.assign(1, static_cast<std::int32_t>(seed));
    work_.clearGreenAndRed(seed);
    for (std::size_t i = 0; i < taken_.size(); ++i) {
      ForNeighbours(taken_[i], [&](std::int64_t q) {
        if (!work_.redFull(q)) return;
        taken_.push_back(static_cast<std::int32_t>(q));
        work_.clearGreenAndRed(q);
      });
    }
    nucleusSize_ = taken_.size();
    values_.assign(nucleusSize_, 255);
  }

  // Grows generation by generation from the nucleus into green above the cut-off.
  void GrowFromNucleus(std::uint8_t g, std::uint8_t b, std::uint8_t r) {
    constexpr std::size_t kAhead = 6;  // pixels of the queue read ahead
    const int cutoff = settings_.cellCutoff;
    for (std::size_t i = 0; i < taken_.size(); ++i) {
      if (i + kAhead < taken_.size()) work_.Prefetch(taken_[i + kAhead]);
      ForNeighbours(taken_[i], [&](std::int64_t q) {
        std::uint8_t green;
        if (!work_.greenAbove(q, cutoff, green)) return;
        taken_.push_back(static_cast<std::int32_t>(q));
        values_.push_back(green);
        work_.clearGreen(q);
        if (mask_ == nullptr) return;
        std::uint8_t* painted = mask_ + 4 * q;
        if (painted[kRed] != 255) {
          painted[kBlue] = b;
          painted[kGreen] = g;
          painted[kRed] = r;
        }
      });
    }
  }

  // Column and top-based row of a pixel of the 1024-wide mosaic.
  static std::int32_t ColumnOf(std::int32_t p) { return p & (kMosaicSize - 1); }
  std::int32_t TopRowOf(std::int32_t p) const { return height_ - p / kMosaicSize; }

  CellRejection Check() const {
    if (taken_.size() <= nucleusSize_) return CellRejection::NoGrowth;
    for (const std::int32_t p : taken_) {
      if (work_.redFull(p)) return CellRejection::SecondNucleus;
    }
    if (Size() > settings_.maxSize) return CellRejection::TooLarge;
    const std::int64_t centreX = settings_.ring.x;
    const std::int64_t centreY = height_ - settings_.ring.y;  // as a top-based Y
    const std::int64_t limit = settings_.ring.radius - 1;
    for (const std::int32_t p : taken_) {
      const std::int32_t x = ColumnOf(p);
      if (x == 511 || x == 512) return CellRejection::Seam;
      const std::int32_t y = TopRowOf(p);
      if (y == 511 || y == 512) return CellRejection::Seam;
      const std::int64_t dx = centreX - x;
      const std::int64_t dy = centreY - y;
      if (dx * dx + dy * dy >= limit * limit) return CellRejection::OutsideRing;
    }
    return CellRejection::None;
  }

  // The kept cell's record: nucleus pixels first, then the grown ones, in
  // the order taken.
  void Record(CellRecord& cell) const {
    cell.pixels.resize(taken_.size());
    for (std::size_t i = 0; i < taken_.size(); ++i) {
      const std::int32_t p = taken_[i];
      cell.pixels[i] = {ColumnOf(p), TopRowOf(p), 0, 0, RedPosition(p), values_[i]};
    }
    cell.nucleusSize = static_cast<std::int32_t>(nucleusSize_);
  }

  MarkedComposite& work_;
  std::uint8_t* mask_;  // null: nothing painted
  std::int64_t pixels_;
  int height_;
  const CellSegmentationSettings& settings_;
  std::vector<std::int32_t> taken_;   // the cell's pixels in the order taken
  std::vector<std::uint8_t> values_;  // per pixel taken: 255 in the nucleus, else its green
  std::size_t nucleusSize_ = 0;       // the first pixels taken, the nucleus
};

void CheckMosaics(const Picture& composite, const Picture& mask) {
  if (composite.width != kMosaicSize || mask.width != composite.width ||
      mask.height != composite.height || composite.empty()) {
    throw Error("Cell level needs mosaics of 1024 pixels width and equal size (got " +
                std::to_string(composite.width) + " x " + std::to_string(composite.height) + ")");
  }
}

}  // namespace

int CellColourGenerator::below(int limit) {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<int>((static_cast<std::uint64_t>(state_) * static_cast<unsigned>(limit)) >>
                          32);
}

namespace {

CellSegmentation Segment(const Picture& composite, std::uint8_t* mask,
                         const std::vector<double>& seeds, const CellSegmentationSettings& settings,
                         CellColourGenerator& colours) {
  const std::int64_t length = static_cast<std::int64_t>(composite.bytes.size()) + 54;
  thread_local Taken taken;
  taken.Prepare(composite.bytes.size() / 4);
  MarkedComposite work(composite, settings, taken);
  CellGrower grower(work, mask, static_cast<std::int64_t>(composite.bytes.size() / 4),
                    composite.height, settings);
  CellSegmentation result;
  result.seeds.reserve(seeds.size());
  for (const double entry : seeds) {
    const double truncated = std::trunc(entry);
    if (!(truncated >= 57 && truncated < static_cast<double>(length)) ||
        (static_cast<std::int64_t>(truncated) - 57) % 4 != 0) {
      throw Error("Cell seed position " + std::to_string(entry) +
                  " is not a red byte inside the picture");
    }
    const std::uint8_t g = static_cast<std::uint8_t>(colours.below(256));
    const std::uint8_t b = static_cast<std::uint8_t>(colours.below(256));
    const std::uint8_t r = static_cast<std::uint8_t>(colours.below(255));
    CellRecord cell;
    const std::int64_t seed = (static_cast<std::int64_t>(truncated) - 57) / 4;
    const CellRejection outcome = grower.Grow(seed, cell, g, b, r);
    result.seeds.push_back(outcome);
    if (outcome == CellRejection::None) result.cells.push_back(std::move(cell));
  }
  taken.Clear();
  // Stable, so equal sizes keep their seed order.
  std::stable_sort(result.cells.begin(), result.cells.end(),
                   [](const CellRecord& a, const CellRecord& b) { return a.size() < b.size(); });
  return result;
}

}  // namespace

CellSegmentation SegmentCells(const Picture& composite, Picture& mask,
                              const std::vector<double>& seeds,
                              const CellSegmentationSettings& settings,
                              CellColourGenerator& colours) {
  CheckMosaics(composite, mask);
  return Segment(composite, mask.bytes.data(), seeds, settings, colours);
}

CellSegmentation SegmentCells(const Picture& composite, const std::vector<double>& seeds,
                              const CellSegmentationSettings& settings,
                              CellColourGenerator& colours) {
  CheckMosaics(composite, composite);
  return Segment(composite, nullptr, seeds, settings, colours);
}

}  // namespace vembrel
