#include "plate/analysis_settings.h"

namespace vembrel {

WellSettingsRow ToWellSettingsRow(const AnalysisSettings& s) {
  // long double is the 80-bit extended type on x86-64 with GCC.
  const auto ratio = static_cast<std::int32_t>(static_cast<long double>(s.cells.lengthRatio) * 10);
  const auto coeff = static_cast<std::int32_t>(static_cast<long double>(s.cells.smoothness) * 100);
  return {s.display.green.cutoff,
          s.display.green.saturation,
          s.display.blue.cutoff,
          s.display.blue.saturation,
          s.ring.radius,
          s.display.green.fullRange,
          s.display.blue.fullRange,
          s.nuclei.greenCutoff,
          s.nuclei.blueCutoff,
          s.nuclei.minimalSize,
          s.nuclei.maximalSize,
          s.ring.increment,
          s.cells.greenCutoff,
          s.cells.minimalSize,
          s.cells.maximalSize,
          ratio,
          coeff};
}

}  // namespace vembrel
