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
// Nuclei and cells pictured at high magnification cover thousands of pixels.
constexpr std::int32_t kLargestSize = 1'000'000;
constexpr std::string_view kPicture = "Raw Picture Blue/Green";
constexpr std::string_view kImmigrant = "Immigrant Cells";
constexpr std::string_view kGreen = "Green Channel";
constexpr std::string_view kCellular = "Universal cellular settings";

#define VEMBREL_FIELD(member) [](AnalysisSettings& s) -> SettingField { return &s.member; }

// The order of the settings file; the well row columns are the order the
// per-well rows have always had.
constexpr std::array<SettingDescriptor, kSettingCount> kSettings{{
    {.id = DisplayGreenCutoff,
     .key = "Cent_COG",
     .description = "Cutoff Green in Blue/Green Tab",
     .name = "display.green.cutoff",
     .panelGroup = kPicture,
     .panelCaption = "Cutoff green:",
     .panelRow = 0,
     .headerCaption = "Green cutoff:",
     .type = Integer,
     .minimum = 0,
     .maximum = 254,
     .sliderScale = 1,
     .defaultValue = std::int32_t{10},
     .wellRowColumn = 0,
     .cellLevel = false,
     .field = VEMBREL_FIELD(display.green.cutoff)},
    {.id = DisplayBlueCutoff,
     .key = "Cent_COB",
     .description = "Cutoff Blue in Blue/Green Tab",
     .name = "display.blue.cutoff",
     .panelGroup = kPicture,
     .panelCaption = "Cutoff blue:",
     .panelRow = 1,
     .headerCaption = "Blue Cutoff:",
     .type = Integer,
     .minimum = 0,
     .maximum = 254,
     .sliderScale = 1,
     .defaultValue = std::int32_t{10},
     .wellRowColumn = 2,
     .cellLevel = false,
     .field = VEMBREL_FIELD(display.blue.cutoff)},
    {.id = DisplayGreenFullRange,
     .key = "Cent_KFRG",
     .description = "Stretch Green in Blue/Green Tab",
     .name = "display.green.full_range",
     .panelGroup = kPicture,
     .panelCaption = "Full range green:",
     .panelRow = 4,
     .headerCaption = "Green stretch:",
     .type = Flag,
     .minimum = 0,
     .maximum = 1,
     .sliderScale = 1,
     .defaultValue = true,
     .wellRowColumn = 5,
     .cellLevel = false,
     .field = VEMBREL_FIELD(display.green.fullRange)},
    {.id = DisplayBlueFullRange,
     .key = "Cent_KFRb",
     .description = "Stretch Blue in Blue/Green Tab",
     .name = "display.blue.full_range",
     .panelGroup = kPicture,
     .panelCaption = "Full range blue:",
     .panelRow = 5,
     .headerCaption = "Blue stretch:",
     .type = Flag,
     .minimum = 0,
     .maximum = 1,
     .sliderScale = 1,
     .defaultValue = true,
     .wellRowColumn = 6,
     .cellLevel = false,
     .field = VEMBREL_FIELD(display.blue.fullRange)},
    {.id = DisplayBlueSaturation,
     .key = "Cent_SB",
     .description = "Saturation Blue in Blue/Green Tab",
     .name = "display.blue.saturation",
     .panelGroup = kPicture,
     .panelCaption = "Satur. blue:",
     .panelRow = 2,
     .headerCaption = "Blue saturation:",
     .type = Integer,
     .minimum = 1,
     .maximum = 255,
     .sliderScale = 1,
     .defaultValue = std::int32_t{155},
     .wellRowColumn = 3,
     .cellLevel = false,
     .field = VEMBREL_FIELD(display.blue.saturation)},
    {.id = DisplayGreenSaturation,
     .key = "Cent_SG",
     .description = "Saturation Green in Blue/Green Tab",
     .name = "display.green.saturation",
     .panelGroup = kPicture,
     .panelCaption = "Satur. green:",
     .panelRow = 3,
     .headerCaption = "Green saturation:",
     .type = Integer,
     .minimum = 1,
     .maximum = 255,
     .sliderScale = 1,
     .defaultValue = std::int32_t{255},
     .wellRowColumn = 1,
     .cellLevel = false,
     .field = VEMBREL_FIELD(display.green.saturation)},
    {.id = RingRadius,
     .key = "Cent_diam",
     .description = "Radius of circle in Green Tab",
     .name = "ring.radius",
     .panelGroup = kGreen,
     .panelCaption = "Ring size:",
     .panelRow = 0,
     .headerCaption = "Circle size:",
     .type = Integer,
     .minimum = 1,
     .maximum = 1024,
     .sliderScale = 1,
     .defaultValue = std::int32_t{350},
     .wellRowColumn = 4,
     .cellLevel = false,
     .field = VEMBREL_FIELD(ring.radius)},
    {.id = NucleiGreenCutoff,
     .key = "Cent_LCG",
     .description = "Cutoff Green in Immigrated cells Tab",
     .name = "nuclei.green_cutoff",
     .panelGroup = kImmigrant,
     .panelCaption = "Cutoff green:",
     .panelRow = 0,
     .headerCaption = "Green cutoff:",
     .type = Integer,
     .minimum = 0,
     .maximum = 255,
     .sliderScale = 1,
     .defaultValue = std::int32_t{100},
     .wellRowColumn = 7,
     .cellLevel = false,
     .field = VEMBREL_FIELD(nuclei.greenCutoff)},
    {.id = NucleiBlueCutoff,
     .key = "Cent_LCB",
     .description = "Cutoff Blue in Immigrated cells Tab",
     .name = "nuclei.blue_cutoff",
     .panelGroup = kImmigrant,
     .panelCaption = "Cutoff blue:",
     .panelRow = 1,
     .headerCaption = "Blue Cutoff:",
     .type = Integer,
     .minimum = 0,
     .maximum = 255,
     .sliderScale = 1,
     .defaultValue = std::int32_t{100},
     .wellRowColumn = 8,
     .cellLevel = false,
     .field = VEMBREL_FIELD(nuclei.blueCutoff)},
    {.id = NucleiMinimalSize,
     .key = "Cent_MINS",
     .description = "Minimal nucleus size in Immigrated cells Tab",
     .name = "nuclei.minimal_size",
     .panelGroup = kImmigrant,
     .panelCaption = "Minimal Size:",
     .panelRow = 2,
     .headerCaption = "Min Size:",
     .type = Integer,
     .minimum = 0,
     .maximum = kLargestSize - 1,
     .sliderScale = 1,
     .defaultValue = std::int32_t{10},
     .wellRowColumn = 9,
     .cellLevel = false,
     .field = VEMBREL_FIELD(nuclei.minimalSize)},
    {.id = NucleiMaximalSize,
     .key = "Cent_MAXS",
     .description = "Maximal nucleus size in Immigrated cells Tab",
     .name = "nuclei.maximal_size",
     .panelGroup = kImmigrant,
     .panelCaption = "Maximal Size:",
     .panelRow = 3,
     .headerCaption = "Max Size:",
     .type = Integer,
     .minimum = 1,
     .maximum = kLargestSize,
     .sliderScale = 1,
     .defaultValue = std::int32_t{255},
     .wellRowColumn = 10,
     .cellLevel = false,
     .field = VEMBREL_FIELD(nuclei.maximalSize)},
    {.id = RingIncrement,
     .key = "Cent_RISI",
     .description = "Increments of ring size in Immigrated cells Tab",
     .name = "ring.increment",
     .panelGroup = kImmigrant,
     .panelCaption = "Delta Rings:",
     .panelRow = 4,
     .headerCaption = "Delta Rings:",
     .type = Integer,
     .minimum = 1,
     .maximum = kNoLimit,
     .sliderScale = 1,
     .defaultValue = std::int32_t{50},
     .wellRowColumn = 11,
     .cellLevel = false,
     .field = VEMBREL_FIELD(ring.increment)},
    {.id = CellsGreenCutoff,
     .key = "Cent_Cell_GCO",
     .description = "Blacked out Green in Cells Tab",
     .name = "cells.green_cutoff",
     .panelGroup = kCellular,
     .panelCaption = "Cutoff green:",
     .panelRow = 0,
     .headerCaption = "",
     .type = Integer,
     .minimum = 0,
     .maximum = 254,
     .sliderScale = 1,
     .defaultValue = std::int32_t{40},
     .wellRowColumn = 12,
     .cellLevel = true,
     .field = VEMBREL_FIELD(cells.greenCutoff)},
    {.id = CellsMinimalSize,
     .key = "Cent_Cell_Min",
     .description = "Minimal Cellular size in Cells Tab",
     .name = "cells.minimal_size",
     .panelGroup = kCellular,
     .panelCaption = "Minimal Size:",
     .panelRow = 1,
     .headerCaption = "",
     .type = Integer,
     .minimum = 1,
     .maximum = kLargestSize,
     .sliderScale = 1,
     .defaultValue = std::int32_t{30},
     .wellRowColumn = 13,
     .cellLevel = true,
     .field = VEMBREL_FIELD(cells.minimalSize)},
    {.id = CellsMaximalSize,
     .key = "Cent_Cell_Max",
     .description = "Max Cellular size in Cells Tab",
     .name = "cells.maximal_size",
     .panelGroup = kCellular,
     .panelCaption = "Maximal Size:",
     .panelRow = 2,
     .headerCaption = "",
     .type = Integer,
     .minimum = 1,
     .maximum = kLargestSize,
     .sliderScale = 1,
     .defaultValue = std::int32_t{2000},
     .wellRowColumn = 14,
     .cellLevel = true,
     .field = VEMBREL_FIELD(cells.maximalSize)},
    {.id = CellsLengthRatio,
     .key = "Cent_Cell_Ratio",
     .description = "Ratio between cell length and width in Cells Tab",
     .name = "cells.length_ratio",
     .panelGroup = kCellular,
     .panelCaption = "Length - ratio:",
     .panelRow = 3,
     .headerCaption = "",
     .type = Decimal,
     .minimum = 1,
     .maximum = 200,
     .sliderScale = 10,
     .defaultValue = 3.0,
     .wellRowColumn = 15,
     .cellLevel = true,
     .field = VEMBREL_FIELD(cells.lengthRatio)},
    {.id = CellsSmoothness,
     .key = "Cent_Cell_Coeff",
     .description = "Coeff of smoothness in Cells Tab",
     .name = "cells.smoothness",
     .panelGroup = kCellular,
     .panelCaption = "Roughness coeff:",
     .panelRow = 4,
     .headerCaption = "",
     .type = Decimal,
     .minimum = 0,
     .maximum = 100,
     .sliderScale = 100,
     .defaultValue = 0.75,
     .wellRowColumn = 16,
     .cellLevel = true,
     .field = VEMBREL_FIELD(cells.smoothness)},
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
                                          std::string(NameOf(Describe(rule.upper), naming)) + " " +
                                          std::to_string(upper)};
  }
  return std::nullopt;
}

std::string SettingValueText(SettingValue value) {
  if (const auto* integer = std::get_if<std::int32_t>(&value)) return std::to_string(*integer);
  if (const auto* flag = std::get_if<bool>(&value)) return *flag ? "TRUE" : "FALSE";
  return FloatToText(std::get<double>(value));
}

}  // namespace vembrel
