#pragma once
// What each setting means for the numbers: its unit and its effect, for
// `vembrel settings --explain` and the README's reference, which is this
// text (a test keeps the two equal).
#include <string>
#include <string_view>

#include "plate/settings_table.h"

namespace vembrel {

struct SettingExplanation {
  std::string_view unit;    // "grey level", "pixels", ...
  std::string_view effect;  // what it changes in the analysis
};

const SettingExplanation& Explain(SettingId id);

/// The setting's range for a person: "0 to 254", "1 and up", "yes or no",
/// "0.1 to 20 in steps of 0.1".
std::string SettingRangeText(const SettingDescriptor& setting);

/// Every setting as a Markdown table: file key, name, caption, unit, range,
/// default and effect, in settings-file order.
std::string SettingsReferenceMarkdown();

}  // namespace vembrel
