#pragma once
// The 17 universal settings declared once. Each descriptor says how the
// setting is named in the settings file, in JSON and in the control panel,
// what values it takes and where it lives in AnalysisSettings; the settings
// file, the validation, the summary header and the faces walk this table
// instead of listing the settings themselves.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "plate/analysis_settings.h"

namespace vembrel {

/// The settings in settings-file order.
enum class SettingId : std::uint8_t {
  DisplayGreenCutoff,
  DisplayBlueCutoff,
  DisplayGreenFullRange,
  DisplayBlueFullRange,
  DisplayBlueSaturation,
  DisplayGreenSaturation,
  RingRadius,
  NucleiGreenCutoff,
  NucleiBlueCutoff,
  NucleiMinimalSize,
  NucleiMaximalSize,
  RingIncrement,
  CellsGreenCutoff,
  CellsMinimalSize,
  CellsMaximalSize,
  CellsLengthRatio,
  CellsSmoothness,
};
inline constexpr std::size_t kSettingCount = 17;

enum class SettingType : std::uint8_t { Integer, Flag, Decimal };

/// A setting's value; the alternative held matches the setting's type.
using SettingValue = std::variant<std::int32_t, bool, double>;
/// The field of an AnalysisSettings that holds a setting.
using SettingField = std::variant<std::int32_t*, bool*, double*>;

struct SettingDescriptor {
  SettingId id;
  std::string_view key;            // settings file key: "Cent_COG"
  std::string_view description;    // its comment in the file: "Cutoff Green in Blue/Green Tab"
  std::string_view name;           // dotted English name (JSON, Python): "display.green.cutoff"
  std::string_view panelGroup;     // control panel group box: "Raw Picture Blue/Green"
  std::string_view panelCaption;   // row caption in that group: "Cutoff green:"
  int panelRow;                    // row in that group, from 0
  std::string_view headerCaption;  // summary header caption ("Green cutoff:"); "" when none
  SettingType type;
  // Valid range in slider positions: the value itself for integers and flags,
  // value x sliderScale rounded to nearest for decimals.
  std::int32_t minimum;
  std::int32_t maximum;      // INT32_MAX: no upper limit
  std::int32_t sliderScale;  // 1; 10 and 100 where sliders hold tenths and hundredths
  SettingValue defaultValue;
  int wellRowColumn;  // column in WellSettingsRow
  bool cellLevel;     // a cell-shape setting (older settings files lack them)
  SettingField (*field)(AnalysisSettings&);
};

/// All descriptors in settings-file order; AllSettings()[i].id == SettingId(i).
std::span<const SettingDescriptor, kSettingCount> AllSettings();
const SettingDescriptor& Describe(SettingId id);
/// Exact, case-sensitive look-ups; nullptr when there is no such setting.
const SettingDescriptor* FindSettingByKey(std::string_view key);
const SettingDescriptor* FindSettingByName(std::string_view name);

/// Typed access. The typed helpers throw std::bad_variant_access when the
/// setting is of another type; SetSetting when the value is.
SettingValue GetSetting(const AnalysisSettings& settings, SettingId id);
void SetSetting(AnalysisSettings& settings, SettingId id, SettingValue value);
std::int32_t GetInteger(const AnalysisSettings& settings, SettingId id);
bool GetFlag(const AnalysisSettings& settings, SettingId id);
double GetDecimal(const AnalysisSettings& settings, SettingId id);
void SetInteger(AnalysisSettings& settings, SettingId id, std::int32_t value);
void SetFlag(AnalysisSettings& settings, SettingId id, bool value);
void SetDecimal(AnalysisSettings& settings, SettingId id, double value);

/// The slider position of a value: value x sliderScale rounded to nearest
/// (ties to even) and clamped to the range; a flag is 0 or 1, NaN the minimum.
std::int32_t SliderPosition(const SettingDescriptor& setting, SettingValue value);
/// The value a slider position stands for: position / sliderScale for
/// decimals, position != 0 for flags, the position itself for integers.
SettingValue FromSliderPosition(const SettingDescriptor& setting, std::int32_t position);

/// `lower` must stay below `upper` (strictly, or at most equal when not strict).
struct SettingOrderRule {
  SettingId lower;
  SettingId upper;
  bool strict;
};
/// Each display cut-off below its saturation, the nucleus minimal size below
/// the maximal, the cell minimal size not above the maximal.
std::span<const SettingOrderRule> SettingOrderRules();

/// How messages name the settings: by file key ("Cent_SB") or dotted name.
enum class SettingNaming : std::uint8_t { FileKey, Name };
std::string_view NameOf(const SettingDescriptor& setting, SettingNaming naming);

struct SettingProblem {
  SettingId id;        // the setting at fault
  std::string reason;  // "is outside 1..1024", "is not below Cent_SB 155"
};
/// Why a value is outside its setting's range, or nothing when it is inside.
/// The value must be of the setting's type.
std::optional<std::string> RangeProblem(const SettingDescriptor& setting, SettingValue value);
/// The first value outside its range (in settings-file order), then the first
/// broken order rule; nothing when the analysis can use all of them.
std::optional<SettingProblem> FindSettingProblem(const AnalysisSettings& settings,
                                                 SettingNaming naming = SettingNaming::Name);

/// The value as `vembrel settings` shows it: decimal integer, TRUE or FALSE,
/// shortest float text with ".".
std::string SettingValueText(SettingValue value);

}  // namespace vembrel
