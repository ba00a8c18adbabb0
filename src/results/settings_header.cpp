#include "results/settings_header.h"

#include "core/date_text.h"

namespace vembrel {

std::vector<std::string> SettingsHeader(const CentralSettings& settings, double measurementDate,
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
      "Circle size:\t" + n(settings.Cent_diam),
      "",
      "Settings of Blue/Green",
      "Green cutoff:\t" + n(settings.Cent_COG),
      "Green saturation:\t" + n(settings.Cent_SG),
      std::string("Green stretch:\t") + YesNo(settings.Cent_KFRG),
      "Blue Cutoff:\t" + n(settings.Cent_COB),
      "Blue saturation:\t" + n(settings.Cent_SB),
      std::string("Blue stretch:\t") + YesNo(settings.Cent_KFRb),
      "",
      "Settings Immigrant cells",
      "Green cutoff:\t" + n(settings.Cent_LCG),
      "Blue Cutoff:\t" + n(settings.Cent_LCB),
      "Min Size:\t" + n(settings.Cent_MINS),
      "Max Size:\t" + n(settings.Cent_MAXS),
      "Delta Rings:\t" + n(settings.Cent_RISI),
  };
}

}  // namespace vembrel
