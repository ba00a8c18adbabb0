#include "plate/analysis_settings.h"

#include "plate/settings_table.h"

namespace vembrel {

WellSettingsRow ToWellSettingsRow(const AnalysisSettings& settings) {
  WellSettingsRow row{};
  for (const SettingDescriptor& setting : AllSettings()) {
    const SettingValue value = GetSetting(settings, setting.id);
    std::int32_t& cell = row[setting.wellRowColumn];
    if (const auto* decimal = std::get_if<double>(&value)) {
      // long double is the 80-bit extended type on x86-64 with GCC.
      cell = static_cast<std::int32_t>(static_cast<long double>(*decimal) * setting.sliderScale);
    } else if (const auto* flag = std::get_if<bool>(&value)) {
      cell = *flag ? 1 : 0;
    } else {
      cell = std::get<std::int32_t>(value);
    }
  }
  return row;
}

}  // namespace vembrel
