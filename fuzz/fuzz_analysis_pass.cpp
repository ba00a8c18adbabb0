// The analysis of one well on arbitrary 1024 x 1024 mosaics with arbitrary
// settings inside the ranges of their controls: composite, ring fit, the
// whole-mosaic nucleus scan with its density profile, the immigrant count and
// the cell level (segmentation from the counted seeds, outline measurements,
// classes and orientation statistics). The ring radius stays below 600 so a
// short run still covers many mosaics; radii past 512 already reach the edges.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/error.h"
#include "imaging/cell_segmentation.h"
#include "imaging/cell_shape.h"
#include "imaging/composite.h"
#include "imaging/immigrants.h"
#include "imaging/nuclei.h"
#include "imaging/picture.h"
#include "imaging/ring_fit.h"

namespace {

// Reads settings bytes from the front of the input, then the mosaic pattern.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int range(int low, int high) {  // inclusive
    const int byte = pos_ < size_ ? data_[pos_++] : 0;
    const int word = (byte << 8) | (pos_ < size_ ? data_[pos_++] : 0);
    return low + word % (high - low + 1);
  }
  const std::uint8_t* rest() const { return data_ + pos_; }
  std::size_t restSize() const { return size_ - std::min(pos_, size_); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

vembrel::Picture Mosaic(const std::uint8_t* pattern, std::size_t size, std::size_t shift) {
  vembrel::Picture picture(vembrel::kMosaicSize, vembrel::kMosaicSize);
  if (size == 0) return picture;
  for (std::size_t i = 0, n = picture.bytes.size() / 4; i < n; ++i) {
    const std::uint8_t grey = pattern[(i + shift) % size];
    picture.bytes[4 * i] = picture.bytes[4 * i + 1] = picture.bytes[4 * i + 2] = grey;
  }
  return picture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  vembrel::ChannelWindow blue, green;
  blue.cutoff = in.range(0, 254);
  blue.saturation = in.range(blue.cutoff + 1, 255);
  blue.stretch = in.range(0, 1) == 1;
  green.cutoff = in.range(0, 254);
  green.saturation = in.range(green.cutoff + 1, 255);
  green.stretch = in.range(0, 1) == 1;
  const int radius = in.range(0, 600);
  vembrel::NucleusScanSettings scan;
  scan.lowerCutoffGreen = in.range(0, 255);
  scan.lowerCutoffBlue = in.range(0, 255);
  scan.minimalSize = in.range(0, 254);
  scan.maximalSize = in.range(scan.minimalSize + 1, 255);
  scan.ring.radius = radius;
  scan.ringIncrement = in.range(1, 200);
  vembrel::CellSegmentationSettings cell;
  cell.cellCutoff = in.range(0, 254);
  cell.maxSize = in.range(1, 65536);
  cell.minSize = in.range(1, 4096);
  const double elongation = in.range(1, 200) / 10.0;
  const double smoothness = in.range(0, 100) / 100.0;

  const vembrel::Picture blueMosaic = Mosaic(in.rest(), in.restSize(), 0);
  const vembrel::Picture greenMosaic = Mosaic(in.rest(), in.restSize(), 7919);
  vembrel::Picture composite;
  vembrel::MakeComposite(blueMosaic, greenMosaic, blue, green, composite);
  const vembrel::MosaicPoint ring = vembrel::FitRing(greenMosaic, radius).centre;
  if (ring.x < 0 || ring.x > vembrel::kMosaicSize || ring.y < 0 || ring.y > vembrel::kMosaicSize) {
    std::abort();
  }
  scan.ring.x = ring.x;
  scan.ring.y = ring.y;
  const vembrel::DensityProfile profile = vembrel::ScanNuclei(composite, scan);
  if (profile.nbins > 0 && (profile.counts.size() != static_cast<std::size_t>(profile.nbins) ||
                            profile.areas.size() != profile.counts.size())) {
    std::abort();
  }

  vembrel::ImmigrantSettings count;
  count.lowerCutoffGreen = scan.lowerCutoffGreen;
  count.lowerCutoffBlue = scan.lowerCutoffBlue;
  count.minimalSize = scan.minimalSize;
  count.maximalSize = scan.maximalSize;
  count.ring.radius = radius;
  count.ring.x = ring.x;
  count.ring.y = ring.y;
  vembrel::Picture mask;
  const vembrel::ImmigrantCounts counts = vembrel::CountImmigrants(composite, count, mask);
  if (counts.nuclei < 0 || counts.acceptedArea > counts.pixels) std::abort();
  // Every counted nucleus gives one seed for the cell level.
  if (counts.seeds.size() != static_cast<std::size_t>(counts.nuclei)) std::abort();
  const vembrel::Picture crop = vembrel::RingCrop(mask, ring.x, ring.y, radius);
  if (crop.width != 2 * radius && !(radius == 0 && crop.empty())) std::abort();

  cell.lowerCutoffBlue = scan.lowerCutoffBlue;
  cell.lowerCutoffGreen = scan.lowerCutoffGreen;
  cell.ring.x = ring.x;
  cell.ring.y = ring.y;
  cell.ring.radius = radius;
  vembrel::CellColourGenerator colours;
  vembrel::CellSegmentation segmentation;
  try {
    segmentation = vembrel::SegmentCells(composite, mask, counts.seeds, cell, colours);
  } catch (const vembrel::Error&) {
    std::abort();  // the seeds of the count always lie inside the mosaic
  }
  if (segmentation.seeds.size() != counts.seeds.size()) std::abort();
  int previous = 0;
  for (const vembrel::CellRecord& record : segmentation.cells) {
    if (record.size() <= cell.minSize || record.size() > cell.maxSize || record.size() < previous) {
      std::abort();
    }
    previous = record.size();
  }
  vembrel::ShapeSettings shape;
  shape.ring = {ring.x, ring.y, radius};
  shape.elongation = elongation;
  shape.smoothness = smoothness;
  try {
    const vembrel::ShapeAnalysis analysis = vembrel::AnalyseShapes(segmentation.cells, shape);
    if (analysis.cells.size() != segmentation.cells.size() ||
        analysis.statistics.total() != static_cast<int>(analysis.cells.size())) {
      std::abort();
    }
    (void)vembrel::StatisticsBlock(analysis.statistics);
  } catch (const vembrel::MathError&) {
    // an outline that cannot be fitted is reported, not a crash
  }
  return 0;
}
