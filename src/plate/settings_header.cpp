#include "plate/settings_header.h"

#include <functional>
#include <variant>

#include "core/date_text.h"
#include "core/name_text.h"
#include "plate/settings_table.h"

namespace vembrel {
namespace {

using enum SettingId;

// A line of the block: a setting as "<caption>\t<value>", or a fixed text.
using BlockLine = std::variant<SettingId, const char*>;

constexpr BlockLine kBlock[] = {
    RingRadius,
    "",
    "Settings of Blue/Green",
    DisplayGreenCutoff,
    DisplayGreenSaturation,
    DisplayGreenFullRange,
    DisplayBlueCutoff,
    DisplayBlueSaturation,
    DisplayBlueFullRange,
    "",
    "Settings Immigrant cells",
    NucleiGreenCutoff,
    NucleiBlueCutoff,
    NucleiMinimalSize,
    NucleiMaximalSize,
    RingIncrement,
};

// Flags read "YES" or "NO" here; the block holds no decimals.
std::vector<std::string> BlockLines(const std::function<SettingValue(SettingId)>& valueOf) {
  std::vector<std::string> lines;
  for (const BlockLine& item : kBlock) {
    if (const auto* text = std::get_if<const char*>(&item)) {
      lines.emplace_back(*text);
      continue;
    }
    const SettingDescriptor& setting = Describe(std::get<SettingId>(item));
    const SettingValue value = valueOf(setting.id);
    const std::string valueText = std::holds_alternative<bool>(value)
                                      ? (std::get<bool>(value) ? "YES" : "NO")
                                      : std::to_string(std::get<std::int32_t>(value));
    lines.push_back(std::string(setting.headerCaption) + "\t" + valueText);
  }
  return lines;
}

}  // namespace

std::vector<std::string> SettingsBlockLines(const AnalysisSettings& settings) {
  return BlockLines([&](SettingId id) { return GetSetting(settings, id); });
}

std::vector<std::string> SettingsBlockLines(const WellSettingsRow& row) {
  return BlockLines([&](SettingId id) -> SettingValue {
    const SettingDescriptor& setting = Describe(id);
    const std::int32_t value = row[setting.wellRowColumn];
    if (setting.type == SettingType::Flag) return value == 1;
    return value;
  });
}

std::vector<std::string> SettingsHeaderLines(const AnalysisSettings& settings,
                                             double measurementDate, const std::string& platePath,
                                             const std::string& platePrefix, double today) {
  std::vector<std::string> lines{
      "Measurement date: " + ShortDateText(measurementDate),
      "",
      "Vembrel analysis: " + ShortDateText(today),
      "",
      "Path:\t" + OneLineText(platePath),
      "Files:\t" + OneLineText(platePrefix),
      "",
  };
  for (std::string& line : SettingsBlockLines(settings)) lines.push_back(std::move(line));
  return lines;
}

}  // namespace vembrel
