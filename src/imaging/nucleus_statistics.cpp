#include "imaging/nucleus_statistics.h"

#include <algorithm>

#include "imaging/pixel_kernels.h"
#include "imaging/pixel_marks.h"

namespace vembrel {

void AddChannelHistogram(const Picture& picture, int channel, Histogram& histogram) {
  for (std::size_t i = static_cast<std::size_t>(channel); i < picture.bytes.size(); i += 4) {
    ++histogram[picture.bytes[i]];
  }
}

void AddMaskedHistogram(const Picture& picture, int channel, int cutoffBlue, int cutoffGreen,
                        Histogram& histogram) {
  for (std::size_t i = 0; i + 3 < picture.bytes.size(); i += 4) {
    if (picture.bytes[i + kBlue] >= cutoffBlue && picture.bytes[i + kGreen] >= cutoffGreen) {
      ++histogram[picture.bytes[i + static_cast<std::size_t>(channel)]];
    }
  }
}

int OtsuThreshold(const Histogram& histogram) {
  double total = 0, sum = 0;
  for (int v = 0; v < 256; ++v) {
    total += static_cast<double>(histogram[v]);
    sum += static_cast<double>(v) * static_cast<double>(histogram[v]);
  }
  double below = 0, belowSum = 0, best = 0;
  int threshold = 0, lastEqual = 0;
  for (int t = 1; t < 256; ++t) {
    below += static_cast<double>(histogram[t - 1]);
    belowSum += static_cast<double>(t - 1) * static_cast<double>(histogram[t - 1]);
    const double above = total - below;
    if (below == 0 || above == 0) continue;
    const double meanBelow = belowSum / below;
    const double meanAbove = (sum - belowSum) / above;
    const double between = below * above * (meanAbove - meanBelow) * (meanAbove - meanBelow);
    if (between > best) {
      best = between;
      threshold = lastEqual = t;
    } else if (between == best) {
      lastEqual = t;  // an empty value between the classes: the split is as good
    }
  }
  return (threshold + lastEqual) / 2;
}

int HistogramPercentile(const Histogram& histogram, double share) {
  std::int64_t total = 0;
  for (const std::int64_t count : histogram) total += count;
  std::int64_t seen = 0;
  for (int v = 0; v < 256; ++v) {
    seen += histogram[v];
    if (total > 0 && static_cast<double>(seen) >= share * static_cast<double>(total)) return v;
  }
  return 255;
}

NucleusCutoffChoice ChooseNucleusCutoffs(const std::vector<const Picture*>& composites) {
  NucleusCutoffChoice choice;
  Histogram blue{};
  for (const Picture* composite : composites) AddChannelHistogram(*composite, kBlue, blue);
  choice.blue = std::clamp(OtsuThreshold(blue), 1, 255);
  Histogram green{};
  for (const Picture* composite : composites) {
    AddMaskedHistogram(*composite, kGreen, choice.blue, 0, green);
  }
  // Nuclei lie in cells: any pixel brighter in green than the background
  // may be part of one, so the cut-off is not above the cells' threshold.
  for (const Picture* composite : composites) {
    AddChannelHistogram(*composite, kGreen, choice.cellGreen);
  }
  choice.cellThreshold = OtsuThreshold(choice.cellGreen);
  choice.green = std::min(HistogramPercentile(green, 0.05), choice.cellThreshold);
  return choice;
}

std::vector<std::int64_t> ObjectSizes(const Picture& composite, int cutoffBlue, int cutoffGreen) {
  PixelMarks marks;
  const int width = composite.width;
  marks.Reset(width, std::int64_t{width} * composite.height);
  MarkPixelsAtLeast(composite.bytes.data(), marks.pixels(), cutoffBlue, cutoffGreen, marks.marks());
  // Above, left, right, below: the nucleus scan's order and connectivity.
  const std::int64_t order[4] = {width, -1, 1, -std::int64_t{width}};
  std::vector<std::int64_t> sizes;
  for (std::int64_t seed = 0; (seed = marks.NextMark(seed)) < marks.pixels(); ++seed) {
    sizes.push_back(marks.Fill(seed, order));
  }
  return sizes;
}

}  // namespace vembrel
