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

// Flags read "YES" or "NO" here, as texts; the block holds no decimals.
std::vector<CellLine> BlockLines(const std::function<SettingValue(SettingId)>& valueOf) {
  std::vector<CellLine> lines;
  for (const BlockLine& item : kBlock) {
    if (const auto* text = std::get_if<const char*>(&item)) {
      lines.push_back({std::string(*text)});
      continue;
    }
    const SettingDescriptor& setting = Describe(std::get<SettingId>(item));
    const SettingValue value = valueOf(setting.id);
    const TableValue shown = std::holds_alternative<bool>(value)
                                 ? TableValue(std::string(std::get<bool>(value) ? "YES" : "NO"))
                                 : TableValue(std::int64_t{std::get<std::int32_t>(value)});
    lines.push_back({std::string(setting.headerCaption), shown});
  }
  return lines;
}

}  // namespace

std::vector<CellLine> SettingsBlockLines(const AnalysisSettings& settings) {
  return BlockLines([&](SettingId id) { return GetSetting(settings, id); });
}

std::vector<CellLine> SettingsBlockLines(const WellSettingsRow& row) {
  return BlockLines([&](SettingId id) -> SettingValue {
    const SettingDescriptor& setting = Describe(id);
    const std::int32_t value = row[setting.wellRowColumn];
    if (setting.type == SettingType::Flag) return value == 1;
    return value;
  });
}

std::vector<CellLine> SettingsHeaderLines(const AnalysisSettings& settings, double measurementDate,
                                          const std::string& platePath,
                                          const std::string& platePrefix, double today) {
  std::vector<CellLine> lines{
      {"Measurement date: " + ShortDateText(measurementDate)},
      {},
      {"Vembrel analysis: " + ShortDateText(today)},
      {},
      {std::string("Path:"), OneLineText(platePath)},
      {std::string("Files:"), OneLineText(platePrefix)},
      {},
  };
  for (CellLine& line : SettingsBlockLines(settings)) lines.push_back(std::move(line));
  return lines;
}

}  // namespace vembrel
