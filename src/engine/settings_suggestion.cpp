#include "engine/settings_suggestion.h"

#include <algorithm>

#include "core/error.h"
#include "engine/well_session.h"
#include "imaging/composite.h"
#include "imaging/nucleus_statistics.h"
#include "imaging/zone_fit.h"
#include "plate/plate.h"
#include "plate/settings_table.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

// Objects smaller than this are specks of noise, not nuclei.
constexpr std::int64_t kSmallestNucleus = 3;
// The size limits lie this factor below and above the typical size.
constexpr std::int64_t kSizeFactor = 4;

struct LookedAtWell {
  int well = 0;
  Picture composite;
  ZoneFit zone;
};

LookedAtWell LookAt(const Plate& plate, int well, const AnalysisSettings& settings) {
  const WellMosaics mosaics = LoadWellMosaics(plate, well);
  const ChannelDisplay& b = settings.display.blue;
  const ChannelDisplay& g = settings.display.green;
  LookedAtWell looked;
  looked.well = well;
  MakeComposite(mosaics.blue, mosaics.green, {b.cutoff, b.saturation, b.fullRange},
                {g.cutoff, g.saturation, g.fullRange}, looked.composite);
  looked.zone =
      FitZone(mosaics.green, kSuggestedRadiusFrom, kSuggestedRadiusTo, mosaics.greenQuarterBlack);
  return looked;
}

std::int32_t ClampedTo(SettingId id, std::int64_t value) {
  const SettingDescriptor& d = Describe(id);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, d.minimum, d.maximum));
}

// The middle value; of an even count the mean of the two middle ones, rounded down.
std::int64_t Median(std::vector<std::int64_t> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return (values[(n - 1) / 2] + values[n / 2]) / 2;
}

}  // namespace

std::vector<int> WellsToSuggestFrom(const Plate& plate) {
  std::vector<int> included;
  for (const WellRecord& well : plate.wells) {
    if (well.state == 1) included.push_back(well.index);
  }
  if (included.size() <= 4) return included;
  std::vector<int> spread;
  for (std::size_t k = 0; k < 4; ++k) spread.push_back(included[k * (included.size() - 1) / 3]);
  return spread;
}

SettingsSuggestion SuggestSettings(const Plate& plate, const std::vector<int>& wells,
                                   const AnalysisSettings& base) {
  if (wells.empty()) throw Error("No well to suggest settings from");
  std::vector<LookedAtWell> looked;
  for (const int well : wells) looked.push_back(LookAt(plate, well, base));

  SettingsSuggestion suggestion{base, wells, {}, {}};
  AnalysisSettings& settings = suggestion.settings;
  auto& reasons = suggestion.reasons;
  std::string names;
  for (const int well : wells) names += (names.empty() ? "" : ", ") + WellName(well);
  reasons.push_back("Looked at wells " + names + ", windowed with the display settings given.");

  // The ring radius: the zones' median.
  std::vector<std::int64_t> radii;
  std::string fitted;
  for (const LookedAtWell& well : looked) {
    if (!well.zone.zone.clear) continue;
    radii.push_back(well.zone.radius);
    suggestion.zoneRadii.push_back(well.zone.radius);
    fitted +=
        (fitted.empty() ? "" : ", ") + WellName(well.well) + " " + std::to_string(well.zone.radius);
  }
  if (radii.empty()) {
    reasons.push_back("Ring radius " + std::to_string(settings.ring.radius) +
                      " kept: no well looked at shows a clear cell-free zone.");
  } else {
    settings.ring.radius = ClampedTo(SettingId::RingRadius, Median(radii));
    reasons.push_back("Ring radius " + std::to_string(settings.ring.radius) +
                      ": the median of the cell-free zones fitted in " + fitted + ".");
  }

  // The nucleus cut-offs.
  AnalysisSettings::Nuclei& nuclei = settings.nuclei;
  std::vector<const Picture*> composites;
  for (const LookedAtWell& well : looked) composites.push_back(&well.composite);
  const NucleusCutoffChoice cutoffs = ChooseNucleusCutoffs(composites);
  nuclei.blueCutoff = cutoffs.blue;
  nuclei.greenCutoff = cutoffs.green;
  const Histogram& cellGreen = cutoffs.cellGreen;
  const int cellThreshold = cutoffs.cellThreshold;
  reasons.push_back("Blue cut-off " + std::to_string(nuclei.blueCutoff) +
                    ": Otsu's threshold of the blue channel, the value that best separates "
                    "nuclei from the background.");
  reasons.push_back("Green cut-off " + std::to_string(nuclei.greenCutoff) +
                    ": 95 % of the pixels above the blue cut-off reach it in green, and the "
                    "cells' threshold " +
                    std::to_string(cellThreshold) + " (below) is not exceeded.");

  // The nucleus sizes.
  std::vector<std::int64_t> sizes;
  for (const LookedAtWell& well : looked) {
    for (const std::int64_t size :
         ObjectSizes(well.composite, nuclei.blueCutoff, nuclei.greenCutoff)) {
      if (size >= kSmallestNucleus) sizes.push_back(size);
    }
  }
  if (sizes.empty()) {
    throw Error("No nucleus of " + std::to_string(kSmallestNucleus) +
                " pixels or more reaches the blue cut-off " + std::to_string(nuclei.blueCutoff) +
                " in the wells looked at");
  }
  const std::int64_t median = Median(sizes);
  nuclei.minimalSize = ClampedTo(SettingId::NucleiMinimalSize, median / kSizeFactor);
  nuclei.maximalSize =
      ClampedTo(SettingId::NucleiMaximalSize,
                std::max<std::int64_t>(kSizeFactor * median, std::int64_t{nuclei.minimalSize} + 1));
  const auto nucleiFound = std::count_if(sizes.begin(), sizes.end(), [&](std::int64_t size) {
    return nuclei.minimalSize < size && size < nuclei.maximalSize;
  });
  reasons.push_back("Sizes " + std::to_string(nuclei.minimalSize) + " to " +
                    std::to_string(nuclei.maximalSize) +
                    " pixels: a quarter and four times the median size " + std::to_string(median) +
                    " of the " + std::to_string(sizes.size()) + " objects above both cut-offs.");

  // The cell level: cells against the background, and the area a cell has.
  settings.cells.greenCutoff =
      ClampedTo(SettingId::CellsGreenCutoff, std::max(cellThreshold - 1, 0));
  std::int64_t covered = 0;
  for (std::int64_t v = settings.cells.greenCutoff + 1; v < 256; ++v) covered += cellGreen[v];
  reasons.push_back("Cell cut-off " + std::to_string(settings.cells.greenCutoff) +
                    ": Otsu's threshold of the green channel, cells above it.");
  if (nucleiFound > 0 && covered > 0) {
    const std::int64_t area = covered / nucleiFound;
    settings.cells.minimalSize = ClampedTo(SettingId::CellsMinimalSize, area / kSizeFactor);
    settings.cells.maximalSize =
        ClampedTo(SettingId::CellsMaximalSize,
                  std::max<std::int64_t>(kSizeFactor * area, settings.cells.minimalSize));
    reasons.push_back("Cell sizes " + std::to_string(settings.cells.minimalSize) + " to " +
                      std::to_string(settings.cells.maximalSize) +
                      " pixels: a quarter and four times the " + std::to_string(area) +
                      " pixels above the cell cut-off per nucleus.");
  }
  if (const auto problem = FindSettingProblem(settings)) {
    throw Error("The suggested settings are not usable: " +
                std::string(Describe(problem->id).name) + " " + problem->reason);
  }
  return suggestion;
}

}  // namespace vembrel
