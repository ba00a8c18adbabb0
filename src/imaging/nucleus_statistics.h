#pragma once
// Statistics of a composite that settings can be suggested from: Otsu's
// threshold of a channel and the sizes of the objects above cut-offs.
#include <array>
#include <cstdint>
#include <vector>

#include "imaging/picture.h"

namespace vembrel {

using Histogram = std::array<std::int64_t, 256>;

/// Adds the values of one channel byte (kBlue, kGreen) of every pixel.
void AddChannelHistogram(const Picture& picture, int channel, Histogram& histogram);
/// Adds one channel's values of the pixels whose blue and green are at
/// least the cut-offs.
void AddMaskedHistogram(const Picture& picture, int channel, int cutoffBlue, int cutoffGreen,
                        Histogram& histogram);

/// Otsu's threshold: the value t that best separates the values below t
/// from those at or above it (largest between-class variance; of equally
/// good thresholds, as where no value lies between the classes, the middle
/// one, rounded down). 0 for an empty or single-valued histogram.
int OtsuThreshold(const Histogram& histogram);

/// The smallest value v with at least share (0..1) of the counts at or below it.
int HistogramPercentile(const Histogram& histogram, double share);

/// Nucleus cut-offs that separate nuclei from the background in composites.
struct NucleusCutoffChoice {
  int blue = 1;           // Otsu's threshold of the blue channel, at least 1
  int green = 0;          // reached in green by 95 % of the pixels at or above blue,
                          // but not above cellThreshold
  int cellThreshold = 0;  // Otsu's threshold of the green channel: cells above it
  Histogram cellGreen{};  // the green channel's values
};

/// Chooses nucleus cut-offs from the composites taken together: the rule of
/// the suggested settings, and of each well's own cut-offs.
NucleusCutoffChoice ChooseNucleusCutoffs(const std::vector<const Picture*>& composites);

/// Sizes of the objects of pixels whose blue and green are at least the
/// cut-offs, 4-connected as the nucleus scan connects them, in scan order.
std::vector<std::int64_t> ObjectSizes(const Picture& composite, int cutoffBlue, int cutoffGreen);

}  // namespace vembrel
