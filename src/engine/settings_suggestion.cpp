#include "engine/settings_suggestion.h"

#include <algorithm>

#include "core/error.h"
#include "engine/well_session.h"
#include "imaging/composite.h"
#include "imaging/nucleus_statistics.h"
#include "plate/plate.h"
#include "plate/settings_table.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

// Objects smaller than this are specks of noise, not nuclei.
constexpr std::int64_t kSmallestNucleus = 3;

Picture Composite(const Plate& plate, int well, const AnalysisSettings& settings) {
  const WellMosaics mosaics = LoadWellMosaics(plate, well);
  const ChannelDisplay& b = settings.display.blue;
  const ChannelDisplay& g = settings.display.green;
  Picture composite;
  MakeComposite(mosaics.blue, mosaics.green, {b.cutoff, b.saturation, b.fullRange},
                {g.cutoff, g.saturation, g.fullRange}, composite);
  return composite;
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
  std::vector<Picture> composites;
  for (const int well : wells) composites.push_back(Composite(plate, well, base));

  SettingsSuggestion suggestion{base, wells, {}};
  AnalysisSettings::Nuclei& nuclei = suggestion.settings.nuclei;
  Histogram blue{};
  for (const Picture& composite : composites) AddChannelHistogram(composite, kBlue, blue);
  nuclei.blueCutoff = std::clamp(OtsuThreshold(blue), 1, 255);
  Histogram green{};
  for (const Picture& composite : composites) {
    AddMaskedHistogram(composite, kGreen, nuclei.blueCutoff, 0, green);
  }
  nuclei.greenCutoff = HistogramPercentile(green, 0.05);

  std::vector<std::int64_t> sizes;
  for (const Picture& composite : composites) {
    for (const std::int64_t size : ObjectSizes(composite, nuclei.blueCutoff, nuclei.greenCutoff)) {
      if (size >= kSmallestNucleus) sizes.push_back(size);
    }
  }
  if (sizes.empty()) {
    throw Error("No nucleus of " + std::to_string(kSmallestNucleus) +
                " pixels or more reaches the blue cut-off " + std::to_string(nuclei.blueCutoff) +
                " in the wells looked at");
  }
  std::sort(sizes.begin(), sizes.end());
  const std::int64_t median = sizes[sizes.size() / 2];
  const SettingDescriptor& minimal = Describe(SettingId::NucleiMinimalSize);
  const SettingDescriptor& maximal = Describe(SettingId::NucleiMaximalSize);
  nuclei.minimalSize =
      static_cast<int>(std::clamp<std::int64_t>(median / 3, minimal.minimum, minimal.maximum));
  nuclei.maximalSize = static_cast<int>(std::clamp<std::int64_t>(
      3 * median, std::max(nuclei.minimalSize + 1, maximal.minimum), maximal.maximum));

  std::string looked;
  for (const int well : wells) looked += (looked.empty() ? "" : ", ") + WellName(well);
  auto& reasons = suggestion.reasons;
  reasons.push_back("Looked at wells " + looked + ", windowed with the display settings given.");
  reasons.push_back("Blue cut-off " + std::to_string(nuclei.blueCutoff) +
                    ": Otsu's threshold of the blue channel, the value that best separates "
                    "nuclei from the background.");
  reasons.push_back("Green cut-off " + std::to_string(nuclei.greenCutoff) +
                    ": 95 % of the pixels above the blue cut-off reach it in green.");
  reasons.push_back(
      "Sizes " + std::to_string(nuclei.minimalSize) + " to " + std::to_string(nuclei.maximalSize) +
      " pixels: a third and three times the "
      "median size " +
      std::to_string(median) + " of the " + std::to_string(sizes.size()) +
      " objects above both cut-offs" +
      (3 * median > maximal.maximum ? " (the maximal size is at most 255)" : "") + ".");
  if (const auto problem = FindSettingProblem(suggestion.settings)) {
    throw Error("The suggested settings are not usable: " +
                std::string(Describe(problem->id).name) + " " + problem->reason);
  }
  return suggestion;
}

}  // namespace vembrel
