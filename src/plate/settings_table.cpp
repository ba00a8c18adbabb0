#include "plate/settings_table.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "core/convert.h"

namespace vembrel {
namespace {

using enum SettingId;
using enum SettingType;

constexpr std::int32_t kNoLimit = std::numeric_limits<std::int32_t>::max();
constexpr std::string_view kPicture = "Raw Picture Blue/Green";
constexpr std::string_view kImmigrant = "Immigrant Cells";
constexpr std::string_view kGreen = "Green Channel";
constexpr std::string_view kCellular = "Universal cellular settings";

#define VEMBREL_FIELD(member) [](AnalysisSettings& s) -> SettingField { return &s.member; }

// The order of the settings file; the well row columns are the order the
// per-well rows have always had.
constexpr std::array<SettingDescriptor, kSettingCount> kSettings{{
    {DisplayGreenCutoff, "Cent_COG", "Cutoff Green in Blue/Green Tab", "display.green.cutoff",
     kPicture, "Cutoff green:", 0, "Green cutoff:", Integer, 0, 254, 1, std::int32_t{10}, 0, false,
     VEMBREL_FIELD(display.green.cutoff)},
    {DisplayBlueCutoff, "Cent_COB", "Cutoff Blue in Blue/Green Tab", "display.blue.cutoff",
     kPicture, "Cutoff blue:", 1, "Blue Cutoff:", Integer, 0, 254, 1, std::int32_t{10}, 2, false,
     VEMBREL_FIELD(display.blue.cutoff)},
    {DisplayGreenFullRange, "Cent_KFRG", "Stretch Green in Blue/Green Tab",
     "display.green.full_range", kPicture, "Full range green:", 4, "Green stretch:", Flag, 0, 1, 1,
     true, 5, false, VEMBREL_FIELD(display.green.fullRange)},
    {DisplayBlueFullRange, "Cent_KFRb", "Stretch Blue in Blue/Green Tab", "display.blue.full_range",
     kPicture, "Full range blue:", 5, "Blue stretch:", Flag, 0, 1, 1, true, 6, false,
     VEMBREL_FIELD(display.blue.fullRange)},
    {DisplayBlueSaturation, "Cent_SB", "Saturation Blue in Blue/Green Tab",
     "display.blue.saturation", kPicture, "Satur. blue:", 2, "Blue saturation:", Integer, 1, 255, 1,
     std::int32_t{155}, 3, false, VEMBREL_FIELD(display.blue.saturation)},
    {DisplayGreenSaturation, "Cent_SG", "Saturation Green in Blue/Green Tab",
     "display.green.saturation", kPicture, "Satur. green:", 3, "Green saturation:", Integer, 1, 255,
     1, std::int32_t{255}, 1, false, VEMBREL_FIELD(display.green.saturation)},
    {RingRadius, "Cent_diam", "Radius of circle in Green Tab", "ring.radius", kGreen, "Ring size:", 0,
     "Circle size:", Integer, 1, 1024, 1, std::int32_t{350}, 4, false, VEMBREL_FIELD(ring.radius)},
    {NucleiGreenCutoff, "Cent_LCG", "Cutoff Green in Immigrated cells Tab", "nuclei.green_cutoff",
     kImmigrant, "Cutoff green:", 0, "Green cutoff:", Integer, 0, 255, 1, std::int32_t{100}, 7,
     false, VEMBREL_FIELD(nuclei.greenCutoff)},
    {NucleiBlueCutoff, "Cent_LCB", "Cutoff Blue in Immigrated cells Tab", "nuclei.blue_cutoff",
     kImmigrant, "Cutoff blue:", 1, "Blue Cutoff:", Integer, 0, 255, 1, std::int32_t{100}, 8, false,
     VEMBREL_FIELD(nuclei.blueCutoff)},
    {NucleiMinimalSize, "Cent_MINS", "Minimal nucleus size in Immigrated cells Tab",
     "nuclei.minimal_size", kImmigrant, "Minimal Size:", 2, "Min Size:", Integer, 0, 254, 1,
     std::int32_t{10}, 9, false, VEMBREL_FIELD(nuclei.minimalSize)},
    {NucleiMaximalSize, "Cent_MAXS", "Maximal nucleus size in Immigrated cells Tab",
     "nuclei.maximal_size", kImmigrant, "Maximal Size:", 3, "Max Size:", Integer, 1, 255, 1,
     std::int32_t{255}, 10, false, VEMBREL_FIELD(nuclei.maximalSize)},
    {RingIncrement, "Cent_RISI", "Increments of ring size in Immigrated cells Tab",
     "ring.increment", kImmigrant, "Delta Rings:", 4, "Delta Rings:", Integer, 1, kNoLimit, 1,
     std::int32_t{50}, 11, false, VEMBREL_FIELD(ring.increment)},
    {CellsGreenCutoff, "Cent_Cell_GCO", "Blacked out Green in Cells Tab", "cells.green_cutoff",
     kCellular, "Cutoff green:", 0, "", Integer, 0, 254, 1, std::int32_t{40}, 12, true,
     VEMBREL_FIELD(cells.greenCutoff)},
    {CellsMinimalSize, "Cent_Cell_Min", "Minimal Cellular size in Cells Tab", "cells.minimal_size",
     kCellular, "Minimal Size:", 1, "", Integer, 1, 4096, 1, std::int32_t{30}, 13, true,
     VEMBREL_FIELD(cells.minimalSize)},
    {CellsMaximalSize, "Cent_Cell_Max", "Max Cellular size in Cells Tab", "cells.maximal_size",
     kCellular, "Maximal Size:", 2, "", Integer, 1, 65536, 1, std::int32_t{2000}, 14, true,
     VEMBREL_FIELD(cells.maximalSize)},
    {CellsLengthRatio, "Cent_Cell_Ratio", "Ratio between cell length and width in Cells Tab",
     "cells.length_ratio", kCellular, "Length - ratio:", 3, "", Decimal, 1, 200, 10, 3.0, 15, true,
     VEMBREL_FIELD(cells.lengthRatio)},
    {CellsSmoothness, "Cent_Cell_Coeff", "Coeff of smoothness in Cells Tab", "cells.smoothness",
     kCellular, "Roughness coeff:", 4, "", Decimal, 0, 100, 100, 0.75, 16, true,
     VEMBREL_FIELD(cells.smoothness)},
}};

#undef VEMBREL_FIELD

constexpr std::array<SettingOrderRule, 4> kOrderRules{{
    {DisplayGreenCutoff, DisplayGreenSaturation, true},
    {DisplayBlueCutoff, DisplayBlueSaturation, true},
    {NucleiMinimalSize, NucleiMaximalSize, true},
    {CellsMinimalSize, CellsMaximalSize, false},
}};

// The table must agree with itself and with AnalysisSettings: ids in order,
// each field of the declared type, defaults equal to the struct's own.
constexpr bool TableIsConsistent() {
  AnalysisSettings defaults;
  std::array<bool, kSettingCount> columnUsed{};
  for (std::size_t i = 0; i < kSettings.size(); ++i) {
    const SettingDescriptor& d = kSettings[i];
    if (static_cast<std::size_t>(d.id) != i) return false;
    const SettingField field = d.field(defaults);
    if (field.index() != static_cast<std::size_t>(d.type)) return false;
    if (d.defaultValue.index() != field.index()) return false;
    const bool same = std::visit(
        [&](auto* pointer) {
          using T = std::remove_pointer_t<decltype(pointer)>;
          return *pointer == std::get<T>(d.defaultValue);
        },
        field);
    if (!same || d.minimum > d.maximum || d.sliderScale < 1) return false;
    if (d.wellRowColumn < 0 || d.wellRowColumn >= static_cast<int>(kSettingCount)) return false;
    if (columnUsed[d.wellRowColumn]) return false;
    columnUsed[d.wellRowColumn] = true;
    if (d.cellLevel != (d.wellRowColumn >= kNuclearColumns)) return false;
  }
  for (const SettingOrderRule& rule : kOrderRules) {
    if (kSettings[static_cast<std::size_t>(rule.lower)].type != Integer) return false;
    if (kSettings[static_cast<std::size_t>(rule.upper)].type != Integer) return false;
  }
  return true;
}
static_assert(TableIsConsistent());
static_assert(std::variant_size_v<SettingValue> == 3 && std::variant_size_v<SettingField> == 3);

// The value x scale as the slider sees it, as a wide integer; nothing for a
// value no slider can hold.
std::optional<long long> ScaledValue(const SettingDescriptor& setting, SettingValue value) {
  switch (setting.type) {
    case Integer:
      return std::get<std::int32_t>(value);
    case Flag:
      return std::get<bool>(value) ? 1 : 0;
    case Decimal:
      break;
  }
  const double rounded = std::nearbyint(std::get<double>(value) * setting.sliderScale);
  if (!std::isfinite(rounded) || std::fabs(rounded) >= 1e15) return std::nullopt;
  return static_cast<long long>(rounded);
}

// A range end in the setting's own units: "200" stays "200", 200 tenths are "20".
std::string LimitText(const SettingDescriptor& setting, std::int32_t limit) {
  if (setting.sliderScale == 1) return std::to_string(limit);
  return FloatToText(static_cast<double>(limit) / setting.sliderScale);
}

}  // namespace

std::span<const SettingDescriptor, kSettingCount> AllSettings() {
  return kSettings;
}

const SettingDescriptor& Describe(SettingId id) {
  return kSettings.at(static_cast<std::size_t>(id));
}

const SettingDescriptor* FindSettingByKey(std::string_view key) {
  for (const SettingDescriptor& d : kSettings) {
    if (d.key == key) return &d;
  }
  return nullptr;
}

const SettingDescriptor* FindSettingByName(std::string_view name) {
  for (const SettingDescriptor& d : kSettings) {
    if (d.name == name) return &d;
  }
  return nullptr;
}

SettingValue GetSetting(const AnalysisSettings& settings, SettingId id) {
  // The field accessor needs a mutable object; it is only read here.
  const SettingField field = Describe(id).field(const_cast<AnalysisSettings&>(settings));
  return std::visit([](auto* pointer) { return SettingValue(*pointer); }, field);
}

void SetSetting(AnalysisSettings& settings, SettingId id, SettingValue value) {
  const SettingField field = Describe(id).field(settings);
  if (field.index() != value.index()) {
    throw std::invalid_argument("SetSetting: value of another type for " +
                                std::string(Describe(id).name));
  }
  std::visit(
      [&](auto* pointer) { *pointer = std::get<std::remove_pointer_t<decltype(pointer)>>(value); },
      field);
}

std::int32_t GetInteger(const AnalysisSettings& settings, SettingId id) {
  return std::get<std::int32_t>(GetSetting(settings, id));
}
bool GetFlag(const AnalysisSettings& settings, SettingId id) {
  return std::get<bool>(GetSetting(settings, id));
}
double GetDecimal(const AnalysisSettings& settings, SettingId id) {
  return std::get<double>(GetSetting(settings, id));
}
void SetInteger(AnalysisSettings& settings, SettingId id, std::int32_t value) {
  *std::get<std::int32_t*>(Describe(id).field(settings)) = value;
}
void SetFlag(AnalysisSettings& settings, SettingId id, bool value) {
  *std::get<bool*>(Describe(id).field(settings)) = value;
}
void SetDecimal(AnalysisSettings& settings, SettingId id, double value) {
  *std::get<double*>(Describe(id).field(settings)) = value;
}

std::int32_t SliderPosition(const SettingDescriptor& setting, SettingValue value) {
  if (setting.type == Decimal) {
    const double scaled = std::get<double>(value) * setting.sliderScale;
    if (std::isnan(scaled)) return setting.minimum;
    const double clamped =
        std::fmin(std::fmax(scaled, double(setting.minimum)), double(setting.maximum));
    return static_cast<std::int32_t>(std::nearbyint(clamped));
  }
  const long long position = *ScaledValue(setting, value);
  return static_cast<std::int32_t>(
      std::min<long long>(std::max<long long>(position, setting.minimum), setting.maximum));
}

SettingValue FromSliderPosition(const SettingDescriptor& setting, std::int32_t position) {
  switch (setting.type) {
    case Integer:
      return position;
    case Flag:
      return position != 0;
    case Decimal:
      break;
  }
  return position / static_cast<double>(setting.sliderScale);
}

std::span<const SettingOrderRule> SettingOrderRules() {
  return kOrderRules;
}

std::string_view NameOf(const SettingDescriptor& setting, SettingNaming naming) {
  return naming == SettingNaming::FileKey ? setting.key : setting.name;
}

std::optional<std::string> RangeProblem(const SettingDescriptor& setting, SettingValue value) {
  const std::optional<long long> scaled = ScaledValue(setting, value);
  if (scaled && *scaled >= setting.minimum && *scaled <= setting.maximum) return std::nullopt;
  if (setting.maximum == kNoLimit) return "is below " + LimitText(setting, setting.minimum);
  return "is outside " + LimitText(setting, setting.minimum) + ".." +
         LimitText(setting, setting.maximum);
}

std::optional<SettingProblem> FindSettingProblem(const AnalysisSettings& settings,
                                                 SettingNaming naming) {
  for (const SettingDescriptor& d : kSettings) {
    if (auto reason = RangeProblem(d, GetSetting(settings, d.id))) {
      return SettingProblem{d.id, std::move(*reason)};
    }
  }
  for (const SettingOrderRule& rule : kOrderRules) {
    const std::int32_t lower = GetInteger(settings, rule.lower);
    const std::int32_t upper = GetInteger(settings, rule.upper);
    if (rule.strict ? lower < upper : lower <= upper) continue;
    return SettingProblem{rule.lower, std::string(rule.strict ? "is not below " : "is above ") +
                                          std::string(NameOf(Describe(rule.upper), naming)) +
                                          " " + std::to_string(upper)};
  }
  return std::nullopt;
}

std::string SettingValueText(SettingValue value) {
  if (const auto* integer = std::get_if<std::int32_t>(&value)) return std::to_string(*integer);
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "TRUE" : "FALSE";
  return FloatToText(std::get<double>(value));
}

}  // namespace vembrel
