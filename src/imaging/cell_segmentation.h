#pragma once
// Cell segmentation: single cells grown from the nucleus seeds of the latest
// analysis pass into the green signal, kept only when whole, single,
// well-sized, inside the ring and clear of the field seams.
#include <cstdint>
#include <vector>

#include "imaging/mosaic_geometry.h"
#include "imaging/picture.h"

namespace vembrel {

/// One pixel of a cell.
struct CellPixel {
  std::int32_t x = 0;         // mosaic column
  std::int32_t y = 0;         // mosaic height - row from the bottom (top row = 1)
  std::int32_t boxX = 0;      // x - smallest x of the cell (set by the measurements)
  std::int32_t boxY = 0;      // y - smallest y of the cell
  std::int32_t position = 0;  // 1-based buffer position of the red byte
  std::int32_t value = 0;     // 255 for the own nucleus, else the green value taken
};

/// One cell: nucleus pixels first, then the grown pixels generation by generation.
struct CellRecord {
  std::vector<CellPixel> pixels;
  std::int32_t nucleusSize = 0;
  int size() const { return static_cast<int>(pixels.size()); }
};

/// The kept cells of one run, sorted by size ascending (stable).
using CellList = std::vector<CellRecord>;

/// Reproducible uniform generator for the cell colours (xorshift; one fixed
/// seed per run, so the snapshots of a well never change between runs).
class CellColourGenerator {
 public:
  explicit CellColourGenerator(std::uint32_t seed = 0x2545F491u) : state_(seed ? seed : 1u) {}
  /// Uniform draw in 0 .. limit - 1.
  int below(int limit);

 private:
  std::uint32_t state_;
};

struct CellSegmentationSettings {
  int lowerCutoffBlue = 30;   // "Lower cutoff BLUE" of the nucleus marking
  int lowerCutoffGreen = 20;  // "Lower cutoff GREEN"
  int cellCutoff = 40;        // "Cut off at:" growth takes green strictly above it
  int minSize = 30;           // kept only when the size exceeds it
  int maxSize = 2000;         // rejected when the size exceeds it
  Ring ring{0, 0, 350};
};

/// Why a seed gave no cell (for tests and diagnostics).
enum class CellRejection {
  None,
  NoGrowth,
  SecondNucleus,
  TooLarge,
  Seam,
  OutsideRing,
  TooSmall,
};

struct CellSegmentation {
  CellList cells;                    // kept cells, sorted by size
  std::vector<CellRejection> seeds;  // outcome per seed, in the order of the seeds
  int kept() const { return static_cast<int>(cells.size()); }
};

/// Segments the cells on 1024-wide mosaics. composite: the nuclei are the
/// pixels inside the ring that reach both nucleus cut-offs; the ring is the
/// settings' disc, the pixels nearer its centre than its radius (as
/// DrawRingMask paints it); cells grow only inside it. mask: the result
/// picture, grown pixels painted into it in their random colour. seeds: the
/// immigrant nuclei of the pass, red-byte buffer positions. Throws Error when
/// the pictures do not match or a seed lies outside them.
CellSegmentation SegmentCells(const Picture& composite, Picture& mask,
                              const std::vector<double>& seeds,
                              const CellSegmentationSettings& settings,
                              CellColourGenerator& colours);
/// The same cells and outcomes without painting them: for callers that show
/// the cells in outlines only. The colours are drawn all the same.
CellSegmentation SegmentCells(const Picture& composite, const std::vector<double>& seeds,
                              const CellSegmentationSettings& settings,
                              CellColourGenerator& colours);

/// Red-byte buffer position of pixel (column, row from the bottom) of a mosaic.
constexpr std::int32_t RedBytePosition(int column, int rowFromBottom) {
  return 57 + 4 * (rowFromBottom * kMosaicSize + column);
}

}  // namespace vembrel
