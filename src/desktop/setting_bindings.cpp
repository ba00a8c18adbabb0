#include "desktop/setting_bindings.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <variant>
#include <vector>

#include "core/convert.h"

namespace vembrel {
namespace {

using enum SettingId;

constexpr std::string_view kCutoff = "\"Blacked\" out at:";
constexpr std::string_view kSaturation = "Saturation";

constexpr std::array kSliders = std::to_array<WidgetBinding>({
    // "Raw two channel": the channel windows.
    {"rawGreenCutoffSlider", DisplayGreenCutoff, kCutoff},
    {"rawGreenSaturationSlider", DisplayGreenSaturation, kSaturation},
    {"rawBlueCutoffSlider", DisplayBlueCutoff, kCutoff},
    {"rawBlueSaturationSlider", DisplayBlueSaturation, kSaturation},
    // "Immigrant cells": the same channel windows, then the nucleus criteria.
    {"immigrantGreenCutoffSlider", DisplayGreenCutoff, kCutoff},
    {"immigrantGreenSaturationSlider", DisplayGreenSaturation, kSaturation},
    {"immigrantBlueCutoffSlider", DisplayBlueCutoff, kCutoff},
    {"immigrantBlueSaturationSlider", DisplayBlueSaturation, kSaturation},
    {"nucleusGreenCutoffSlider", NucleiGreenCutoff, "Lower cutoff GREEN"},
    {"nucleusBlueCutoffSlider", NucleiBlueCutoff, "Lower cutoff BLUE"},
    {"nucleusMinimalSizeSlider", NucleiMinimalSize, "Minimal Size"},
    {"nucleusMaximalSizeSlider", NucleiMaximalSize, "Maximal Size"},
    // "Cells".
    {"cellGreenCutoffSlider", CellsGreenCutoff, "Cut off at:"},
    {"cellMinimalSizeSlider", CellsMinimalSize, "Min. size of cells"},
    {"cellMaximalSizeSlider", CellsMaximalSize, "Max. size of cells"},
    {"cellLengthRatioSlider", CellsLengthRatio, "Ratio long/short:"},
    {"cellSmoothnessSlider", CellsSmoothness, "Coeff of Smooth:"},
});

constexpr std::array kCheckBoxes = std::to_array<WidgetBinding>({
    {"rawGreenFullRangeCheck", DisplayGreenFullRange, "Keep at full range"},
    {"rawBlueFullRangeCheck", DisplayBlueFullRange, "Keep at full range"},
    {"immigrantGreenFullRangeCheck", DisplayGreenFullRange, "Keep at full range"},
    {"immigrantBlueFullRangeCheck", DisplayBlueFullRange, "Keep at full range"},
});

// The object names of the control panel's values; group, caption and row
// come from the settings table.
struct PanelName {
  SettingId setting;
  std::string_view name;
};
constexpr std::array kPanelNames = std::to_array<PanelName>({
    {DisplayGreenCutoff, "universalGreenCutoff"},
    {DisplayBlueCutoff, "universalBlueCutoff"},
    {DisplayBlueSaturation, "universalBlueSaturation"},
    {DisplayGreenSaturation, "universalGreenSaturation"},
    {DisplayGreenFullRange, "universalGreenFullRange"},
    {DisplayBlueFullRange, "universalBlueFullRange"},
    {NucleiGreenCutoff, "universalNucleusGreenCutoff"},
    {NucleiBlueCutoff, "universalNucleusBlueCutoff"},
    {NucleiMinimalSize, "universalNucleusMinimalSize"},
    {NucleiMaximalSize, "universalNucleusMaximalSize"},
    {RingIncrement, "universalRingIncrement"},
    {RingRadius, "universalRingRadius"},
    {CellsGreenCutoff, "universalCellGreenCutoff"},
    {CellsMinimalSize, "universalCellMinimalSize"},
    {CellsMaximalSize, "universalCellMaximalSize"},
    {CellsLengthRatio, "universalCellLengthRatio"},
    {CellsSmoothness, "universalCellSmoothness"},
});

}  // namespace

namespace {

bool IsSize(SettingId id) {
  return id == NucleiMinimalSize || id == NucleiMaximalSize || id == CellsMinimalSize ||
         id == CellsMaximalSize;
}

// ln(1 + max - min): the span of a logarithmic slider.
double LogarithmicSpan(SettingId id) {
  const SettingDescriptor& d = Describe(id);
  return std::log1p(static_cast<double>(d.maximum) - d.minimum);
}

}  // namespace

SliderRange SliderRangeOf(SettingId id) {
  const SettingDescriptor& d = Describe(id);
  if (IsSize(id)) return {0, kLogarithmicPositions, 1, true};
  return {d.minimum, d.maximum, d.sliderScale, false};
}

bool IsFlag(SettingId id) {
  return Describe(id).type == SettingType::Flag;
}

double NumericValue(const AnalysisSettings& settings, SettingId id) {
  return std::visit([](auto value) { return static_cast<double>(value); },
                    GetSetting(settings, id));
}

int SliderPosition(const AnalysisSettings& settings, SettingId id) {
  const SliderRange range = SliderRangeOf(id);
  if (range.logarithmic) {
    const double above = NumericValue(settings, id) - Describe(id).minimum;
    const double position = std::nearbyint(kLogarithmicPositions *
                                           std::log1p(std::max(above, 0.0)) / LogarithmicSpan(id));
    return static_cast<int>(std::clamp(position, 0.0, double(kLogarithmicPositions)));
  }
  const double scaled = std::nearbyint(NumericValue(settings, id) * range.scale);
  return static_cast<int>(std::clamp(scaled, double(range.minimum), double(range.maximum)));
}

double ValueAtPosition(SettingId id, int position) {
  const SliderRange range = SliderRangeOf(id);
  if (range.logarithmic) {
    const SettingDescriptor& d = Describe(id);
    const double share =
        std::clamp(position, 0, kLogarithmicPositions) / static_cast<double>(kLogarithmicPositions);
    const double value = d.minimum + std::nearbyint(std::expm1(share * LogarithmicSpan(id)));
    return std::clamp(value, double(d.minimum), double(d.maximum));
  }
  return static_cast<double>(position) / range.scale;
}

std::string SettingText(const AnalysisSettings& settings, SettingId id) {
  return FloatToText(NumericValue(settings, id));
}

std::span<const WidgetBinding> SliderBindings() {
  return kSliders;
}

std::span<const WidgetBinding> CheckBoxBindings() {
  return kCheckBoxes;
}

const WidgetBinding& BindingNamed(std::string_view name) {
  for (const WidgetBinding& binding : kSliders) {
    if (binding.name == name) return binding;
  }
  for (const WidgetBinding& binding : kCheckBoxes) {
    if (binding.name == name) return binding;
  }
  throw std::out_of_range("No widget is bound under the name " + std::string(name));
}

std::string ValueLabelName(std::string_view sliderName) {
  constexpr std::string_view kSuffix = "Slider";
  std::string name(sliderName);
  if (name.ends_with(kSuffix)) name.resize(name.size() - kSuffix.size());
  return name + "Value";
}

std::span<const PanelRow> PanelRows() {
  static const std::vector<PanelRow> rows = [] {
    std::vector<PanelRow> built;
    for (const PanelName& entry : kPanelNames) {
      const SettingDescriptor& d = Describe(entry.setting);
      built.push_back({entry.setting, entry.name, d.panelGroup, d.panelCaption, d.panelRow});
    }
    return built;
  }();
  return rows;
}

}  // namespace vembrel
