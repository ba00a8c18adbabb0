#include "desktop/setting_bindings.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <stdexcept>

#include "core/convert.h"

namespace vembrel {
namespace {

using enum SettingId;

constexpr std::string_view kCutoff = "\"Blacked\" out at:";
constexpr std::string_view kSaturation = "Saturation";

constexpr std::array kSliders = std::to_array<WidgetBinding>({
    // "Raw two channel": the channel windows.
    {"rawGreenCutoffSlider", GreenCutoff, kCutoff},
    {"rawGreenSaturationSlider", GreenSaturation, kSaturation},
    {"rawBlueCutoffSlider", BlueCutoff, kCutoff},
    {"rawBlueSaturationSlider", BlueSaturation, kSaturation},
    // "Immigrant cells": the same channel windows, then the nucleus criteria.
    {"immigrantGreenCutoffSlider", GreenCutoff, kCutoff},
    {"immigrantGreenSaturationSlider", GreenSaturation, kSaturation},
    {"immigrantBlueCutoffSlider", BlueCutoff, kCutoff},
    {"immigrantBlueSaturationSlider", BlueSaturation, kSaturation},
    {"nucleusGreenCutoffSlider", NucleusGreenCutoff, "Lower cutoff GREEN"},
    {"nucleusBlueCutoffSlider", NucleusBlueCutoff, "Lower cutoff BLUE"},
    {"nucleusMinimalSizeSlider", NucleusMinimalSize, "Minimal Size"},
    {"nucleusMaximalSizeSlider", NucleusMaximalSize, "Maximal Size"},
    // "Cells".
    {"cellGreenCutoffSlider", CellGreenCutoff, "Cut off at:"},
    {"cellMinimalSizeSlider", CellMinimalSize, "Min. size of cells"},
    {"cellMaximalSizeSlider", CellMaximalSize, "Max. size of cells"},
    {"cellLengthRatioSlider", CellLengthRatio, "Ratio long/short:"},
    {"cellSmoothnessSlider", CellSmoothness, "Coeff of Smooth:"},
});

constexpr std::array kCheckBoxes = std::to_array<WidgetBinding>({
    {"rawGreenFullRangeCheck", GreenFullRange, "Keep at full range"},
    {"rawBlueFullRangeCheck", BlueFullRange, "Keep at full range"},
    {"immigrantGreenFullRangeCheck", GreenFullRange, "Keep at full range"},
    {"immigrantBlueFullRangeCheck", BlueFullRange, "Keep at full range"},
});

constexpr std::string_view kPicture = "Raw Picture Blue/Green";
constexpr std::string_view kImmigrant = "Immigrant Cells";
constexpr std::string_view kGreen = "Green Channel";

constexpr std::array kPanelRows = std::to_array<PanelRow>({
    {GreenCutoff, "universalGreenCutoff", kPicture, "Cutoff green:", 0},
    {BlueCutoff, "universalBlueCutoff", kPicture, "Cutoff blue:", 1},
    {BlueSaturation, "universalBlueSaturation", kPicture, "Satur. blue:", 2},
    {GreenSaturation, "universalGreenSaturation", kPicture, "Satur. green:", 3},
    {GreenFullRange, "universalGreenFullRange", kPicture, "Full range green:", 4},
    {BlueFullRange, "universalBlueFullRange", kPicture, "Full range blue:", 5},
    {NucleusGreenCutoff, "universalNucleusGreenCutoff", kImmigrant, "Cutoff green:", 0},
    {NucleusBlueCutoff, "universalNucleusBlueCutoff", kImmigrant, "Cutoff blue:", 1},
    {NucleusMinimalSize, "universalNucleusMinimalSize", kImmigrant, "Minimal Size:", 2},
    {NucleusMaximalSize, "universalNucleusMaximalSize", kImmigrant, "Maximal Size:", 3},
    {RingIncrement, "universalRingIncrement", kImmigrant, "Delta Rings:", 4},
    {RingRadius, "universalRingRadius", kGreen, "Ring size:", 0},
    {CellGreenCutoff, "universalCellGreenCutoff", kCellularPanelGroup, "Cutoff green:", 0},
    {CellMinimalSize, "universalCellMinimalSize", kCellularPanelGroup, "Minimal Size:", 1},
    {CellMaximalSize, "universalCellMaximalSize", kCellularPanelGroup, "Maximal Size:", 2},
    {CellLengthRatio, "universalCellLengthRatio", kCellularPanelGroup, "Length - ratio:", 3},
    {CellSmoothness, "universalCellSmoothness", kCellularPanelGroup, "Roughness coeff:", 4},
});

}  // namespace

// Until the settings table lands, the ranges are those the analysis accepts.
SliderRange SliderRangeOf(SettingId id) {
  switch (id) {
    case GreenCutoff:
    case BlueCutoff:
    case NucleusMinimalSize:
    case CellGreenCutoff:
      return {0, 254, 1};
    case GreenSaturation:
    case BlueSaturation:
    case NucleusMaximalSize:
      return {1, 255, 1};
    case NucleusGreenCutoff:
    case NucleusBlueCutoff:
      return {0, 255, 1};
    case RingRadius:
      return {1, 1024, 1};
    case RingIncrement:
      return {1, INT_MAX, 1};
    case CellMinimalSize:
      return {1, 4096, 1};
    case CellMaximalSize:
      return {1, 65536, 1};
    case CellLengthRatio:
      return {1, 200, 10};
    case CellSmoothness:
      return {0, 100, 100};
    case GreenFullRange:
    case BlueFullRange:
      break;
  }
  return {0, 1, 1};
}

bool IsFlag(SettingId id) {
  return id == GreenFullRange || id == BlueFullRange;
}

double SettingValue(const AnalysisSettings& s, SettingId id) {
  switch (id) {
    case GreenCutoff:
      return s.display.green.cutoff;
    case BlueCutoff:
      return s.display.blue.cutoff;
    case GreenFullRange:
      return s.display.green.fullRange ? 1 : 0;
    case BlueFullRange:
      return s.display.blue.fullRange ? 1 : 0;
    case BlueSaturation:
      return s.display.blue.saturation;
    case GreenSaturation:
      return s.display.green.saturation;
    case RingRadius:
      return s.ring.radius;
    case NucleusGreenCutoff:
      return s.nuclei.greenCutoff;
    case NucleusBlueCutoff:
      return s.nuclei.blueCutoff;
    case NucleusMinimalSize:
      return s.nuclei.minimalSize;
    case NucleusMaximalSize:
      return s.nuclei.maximalSize;
    case RingIncrement:
      return s.ring.increment;
    case CellGreenCutoff:
      return s.cells.greenCutoff;
    case CellMinimalSize:
      return s.cells.minimalSize;
    case CellMaximalSize:
      return s.cells.maximalSize;
    case CellLengthRatio:
      return s.cells.lengthRatio;
    case CellSmoothness:
      return s.cells.smoothness;
  }
  return 0;
}

int SliderPosition(const AnalysisSettings& settings, SettingId id) {
  const SliderRange range = SliderRangeOf(id);
  const double scaled = std::nearbyint(SettingValue(settings, id) * range.scale);
  return static_cast<int>(std::clamp(scaled, double(range.minimum), double(range.maximum)));
}

double ValueAtPosition(SettingId id, int position) {
  return static_cast<double>(position) / SliderRangeOf(id).scale;
}

std::string SettingText(const AnalysisSettings& settings, SettingId id) {
  return FloatToText(SettingValue(settings, id));
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
  return kPanelRows;
}

}  // namespace vembrel
