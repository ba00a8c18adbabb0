#include "plate/settings_header.h"

#include "core/date_text.h"

namespace vembrel {

std::vector<std::string> SettingsHeader(const AnalysisSettings& settings, double measurementDate,
                                        const std::string& platePath,
                                        const std::string& platePrefix, double today) {
  const auto n = [](std::int32_t value) { return std::to_string(value); };
  return {
      "Measurement date: " + ShortDateText(measurementDate),
      "",
      "Vembrel analysis: " + ShortDateText(today),
      "",
      "Path:\t" + platePath,
      "Files:\t" + platePrefix,
      "",
      "Circle size:\t" + n(settings.ring.radius),
      "",
      "Settings of Blue/Green",
      "Green cutoff:\t" + n(settings.display.green.cutoff),
      "Green saturation:\t" + n(settings.display.green.saturation),
      std::string("Green stretch:\t") + YesNo(settings.display.green.fullRange),
      "Blue Cutoff:\t" + n(settings.display.blue.cutoff),
      "Blue saturation:\t" + n(settings.display.blue.saturation),
      std::string("Blue stretch:\t") + YesNo(settings.display.blue.fullRange),
      "",
      "Settings Immigrant cells",
      "Green cutoff:\t" + n(settings.nuclei.greenCutoff),
      "Blue Cutoff:\t" + n(settings.nuclei.blueCutoff),
      "Min Size:\t" + n(settings.nuclei.minimalSize),
      "Max Size:\t" + n(settings.nuclei.maximalSize),
      "Delta Rings:\t" + n(settings.ring.increment),
  };
}

}  // namespace vembrel
