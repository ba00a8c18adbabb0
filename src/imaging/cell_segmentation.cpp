#include "imaging/cell_segmentation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/error.h"

namespace vembrel {
namespace {

constexpr std::int32_t kRowStep = kMosaicRowBytes;  // 4096

// Byte access by 1-based buffer position (the bitmap file's 54-byte header
// is not stored, so position p lives at offset p - 55).
struct Buffer {
  std::uint8_t* bytes;
  std::int32_t length;  // buffer length including the header
  std::uint8_t& at(std::int32_t position) const { return bytes[position - 55]; }
};

class CellGrower {
 public:
  CellGrower(Picture& work, Picture& mask, int height, const CellSegmentationSettings& settings)
      : work_{work.bytes.data(), static_cast<std::int32_t>(work.bytes.size() + 54)},
        mask_{mask.bytes.data(), static_cast<std::int32_t>(mask.bytes.size() + 54)},
        height_(height),
        settings_(settings) {}

  CellRejection Grow(std::int32_t seed, CellRecord& cell, std::uint8_t g, std::uint8_t b,
                     std::uint8_t r) {
    FillNucleus(seed, cell);
    GrowFromNucleus(cell, g, b, r);
    return Check(cell);
  }

 private:
  // Neighbours in the order the fills take them; never outside the buffer.
  template <typename Visit>
  void ForNeighbours(std::int32_t p, Visit&& visit) const {
    const std::int32_t length = work_.length;
    if (p - kRowStep > 54) visit(p - kRowStep);
    if (p + kRowStep < length) visit(p + kRowStep);
    if (p - 4 > 54) visit(p - 4);
    if (p + 4 < length) visit(p + 4);
  }

  void FillNucleus(std::int32_t seed, CellRecord& cell) {
    std::vector<std::int32_t> list{seed};
    work_.at(seed - 1) = 0;
    work_.at(seed) = 0;
    // Passes over the list as it stood at the start of the pass, until one adds nothing.
    for (bool added = true; added;) {
      added = false;
      const std::size_t count = list.size();
      for (std::size_t i = 0; i < count; ++i) {
        ForNeighbours(list[i], [&](std::int32_t q) {
          if (work_.at(q) != 255) return;
          list.push_back(q);
          work_.at(q - 1) = 0;
          work_.at(q) = 0;
          added = true;
        });
      }
    }
    cell.Pixels.reserve(list.size() * 8);
    for (const std::int32_t p : list) cell.Pixels.push_back({0, 0, 0, 0, p, 255});
    cell.NucleusSize = static_cast<std::int32_t>(list.size());
  }

  void GrowFromNucleus(CellRecord& cell, std::uint8_t g, std::uint8_t b, std::uint8_t r) {
    frontier_.clear();
    for (const CellPixel& pixel : cell.Pixels) frontier_.push_back(pixel.Position);
    const int cutoff = settings_.cellCutoff;
    while (!frontier_.empty()) {
      next_.clear();
      for (const std::int32_t p : frontier_) {
        ForNeighbours(p, [&](std::int32_t q) {
          const std::uint8_t green = work_.at(q - 1);
          if (green <= cutoff) return;
          next_.push_back(q);
          cell.Pixels.push_back({0, 0, 0, 0, q, green});
          work_.at(q - 1) = 0;
          if (mask_.at(q) != 255) {
            mask_.at(q - 2) = b;
            mask_.at(q - 1) = g;
            mask_.at(q) = r;
          }
        });
      }
      frontier_.swap(next_);
    }
  }

  CellRejection Check(CellRecord& cell) const {
    if (cell.size() <= cell.NucleusSize) return CellRejection::NoGrowth;
    for (const CellPixel& pixel : cell.Pixels) {
      if (work_.at(pixel.Position) == 255) return CellRejection::SecondNucleus;
    }
    if (cell.size() > settings_.maxSize) return CellRejection::TooLarge;
    const std::int64_t centreX = settings_.ringCentreX;
    const std::int64_t centreY = height_ - settings_.ringCentreY;  // as a top-based Y
    const std::int64_t limit = settings_.radius - 1;
    for (CellPixel& pixel : cell.Pixels) {
      pixel.X = ((pixel.Position - 55) & 4095) / 4;
      if (pixel.X == 511 || pixel.X == 512) return CellRejection::Seam;
      pixel.Y = height_ - (pixel.Position - 55) / 4096;
      if (pixel.Y == 511 || pixel.Y == 512) return CellRejection::Seam;
      const std::int64_t dx = centreX - pixel.X;
      const std::int64_t dy = centreY - pixel.Y;
      if (dx * dx + dy * dy >= limit * limit) return CellRejection::OutsideRing;
    }
    return CellRejection::None;
  }

  Buffer work_;
  Buffer mask_;
  int height_;
  const CellSegmentationSettings& settings_;
  std::vector<std::int32_t> frontier_;
  std::vector<std::int32_t> next_;
};

// Whole pixels as 32-bit words (blue in the low byte) and no branches, so the
// compiler can vectorise the whole-mosaic scan.
// in and out are the same buffer or do not overlap at all.
void MarkPixels(const std::uint8_t* in, const std::uint8_t* __restrict ring, std::uint8_t* w,
                std::size_t pixels, std::uint32_t blueCutoff, std::uint32_t greenCutoff) {
  static_assert(std::endian::native == std::endian::little, "blue is the low byte of a pixel");
  for (std::size_t n = 0; n < pixels; ++n) {
    std::uint32_t pixel, ringPixel;
    std::memcpy(&pixel, in + 4 * n, 4);
    std::memcpy(&ringPixel, ring + 4 * n, 4);
    const bool inRing = ((ringPixel >> 16) & 0xFF) == 255;
    const bool nucleus =
        inRing & ((pixel & 0xFF) >= blueCutoff) & (((pixel >> 8) & 0xFF) >= greenCutoff);
    pixel = nucleus ? (pixel | 0x00FF0000u) : pixel;
    pixel = inRing ? pixel : (pixel & 0xFFFF0000u);
    std::memcpy(w + 4 * n, &pixel, 4);
  }
}

// Marks the nuclei of composite into work (which may be composite itself).
void MarkNuclei(const Picture& composite, const Picture& cellMask, Picture& work,
                const CellSegmentationSettings& settings) {
  MarkPixels(composite.bytes.data(), cellMask.bytes.data(), work.bytes.data(),
             work.bytes.size() / 4,
             static_cast<std::uint32_t>(std::max(settings.lowerCutoffBlue, 0)),
             static_cast<std::uint32_t>(std::max(settings.lowerCutoffGreen, 0)));
}

void CheckMosaics(const Picture& work, const Picture& cellMask, const Picture& mask) {
  if (work.width != kMosaicSize || cellMask.width != work.width || mask.width != work.width ||
      cellMask.height != work.height || mask.height != work.height || work.empty()) {
    throw Error("Cell level needs three mosaics of 1024 pixels width and equal size (got " +
                std::to_string(work.width) + " x " + std::to_string(work.height) + ")");
  }
}

CellSegmentation GrowCells(Picture& work, const Picture& cellMask, Picture& mask,
                           const std::vector<double>& seeds,
                           const CellSegmentationSettings& settings, CellColourGenerator& colours) {
  const std::int64_t length = static_cast<std::int64_t>(work.bytes.size()) + 54;
  CellGrower grower(work, mask, cellMask.height, settings);
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
    CellRejection outcome = grower.Grow(static_cast<std::int32_t>(truncated), cell, g, b, r);
    if (outcome == CellRejection::None && cell.size() <= settings.minSize) {
      outcome = CellRejection::TooSmall;
    }
    result.seeds.push_back(outcome);
    if (outcome == CellRejection::None) result.cells.push_back(std::move(cell));
  }
  // Stable, so equal sizes keep their seed order.
  std::stable_sort(result.cells.begin(), result.cells.end(),
                   [](const CellRecord& a, const CellRecord& b) { return a.size() < b.size(); });
  return result;
}

}  // namespace

int CellColourGenerator::below(int limit) {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return static_cast<int>((static_cast<std::uint64_t>(state_) * static_cast<unsigned>(limit)) >>
                          32);
}

CellSegmentation SegmentCells(Picture& work, const Picture& cellMask, Picture& mask,
                              const std::vector<double>& seeds,
                              const CellSegmentationSettings& settings,
                              CellColourGenerator& colours) {
  CheckMosaics(work, cellMask, mask);
  MarkNuclei(work, cellMask, work, settings);
  return GrowCells(work, cellMask, mask, seeds, settings, colours);
}

CellSegmentation SegmentCells(const Picture& composite, const Picture& cellMask, Picture& work,
                              Picture& mask, const std::vector<double>& seeds,
                              const CellSegmentationSettings& settings,
                              CellColourGenerator& colours) {
  CheckMosaics(composite, cellMask, mask);
  if (&work != &composite) {
    work.width = composite.width;
    work.height = composite.height;
    work.bytes.resize(composite.bytes.size());
  }
  MarkNuclei(composite, cellMask, work, settings);
  return GrowCells(work, cellMask, mask, seeds, settings, colours);
}

}  // namespace vembrel
