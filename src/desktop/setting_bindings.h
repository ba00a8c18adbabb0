#pragma once
// How the desktop's widgets stand for the settings: the sliders and check
// boxes of the well window with the setting each one shows, the rows of the
// control panel, and the ranges and values the widgets show. Widgets take
// ranges, values and captions from here alone, so when the settings table
// changes a range, the widgets follow.
#include <span>
#include <string>
#include <string_view>

#include "plate/analysis_settings.h"
#include "plate/settings_table.h"

namespace vembrel {

/// A setting's range in slider positions: a position is value x scale, or
/// on a logarithmic slider (the nucleus and cell sizes, up to 1,000,000
/// pixels) one of kLogarithmicPositions steps of equal ratio.
struct SliderRange {
  int minimum = 0;
  int maximum = 0;
  int scale = 1;  // 10 and 100 where a slider holds tenths and hundredths
  bool logarithmic = false;
};
inline constexpr int kLogarithmicPositions = 2000;
SliderRange SliderRangeOf(SettingId id);
/// Whether a setting is a flag (shown as a check box).
bool IsFlag(SettingId id);

/// A setting's value as a number (a flag as 0 or 1).
double NumericValue(const AnalysisSettings& settings, SettingId id);
/// The slider position of a setting's value: value x scale, rounded, in the
/// range; on a logarithmic slider round(N x ln(1 + value - min) / ln(1 + max - min)).
int SliderPosition(const AnalysisSettings& settings, SettingId id);
/// The value a slider position stands for: position / scale; on a
/// logarithmic slider min + exp(position / N x ln(1 + max - min)) - 1, rounded.
double ValueAtPosition(SettingId id, int position);
/// The value as the widgets write it: "10", "0.75", "3".
std::string SettingText(const AnalysisSettings& settings, SettingId id);

/// A widget of the well window bound to one setting.
struct WidgetBinding {
  std::string_view name;  // object name: "rawGreenCutoffSlider"
  SettingId setting;
  std::string_view caption;  // the slider's or check box's caption
};

/// The well window's sliders in the order of their tabs and groups. A
/// display cut-off or saturation appears twice, on "Raw two channel" and on
/// "Immigrant cells": two sliders bound to the one setting.
std::span<const WidgetBinding> SliderBindings();
/// The "Keep at full range" check boxes, also one on each of the two tabs.
std::span<const WidgetBinding> CheckBoxBindings();
/// The binding of a slider or check box by object name; throws std::out_of_range.
const WidgetBinding& BindingNamed(std::string_view name);
/// Object name of a slider's value label: "...Slider" becomes "...Value".
std::string ValueLabelName(std::string_view sliderName);

/// A row of the control panel's display of the universal settings.
struct PanelRow {
  SettingId setting;
  std::string_view name;     // object name of the value shown: "universalGreenCutoff"
  std::string_view group;    // "Raw Picture Blue/Green"
  std::string_view caption;  // "Cutoff green:"
  int row;                   // from 0 within the group
};
/// Every universal setting's row, grouped as the panel shows them.
std::span<const PanelRow> PanelRows();
/// The group of the cell settings, shown while a well is at cell level.
inline constexpr std::string_view kCellularPanelGroup = "Universal cellular settings";

}  // namespace vembrel
