#include "plate/settings_json.h"

#include <array>
#include <limits>
#include <nlohmann/json.hpp>

#include "core/error.h"
#include "plate/settings_table.h"

namespace vembrel {
namespace {

using Json = nlohmann::ordered_json;

// The JSON value of a setting, or an error naming it.
SettingValue ValueOf(const SettingDescriptor& setting, const Json& json) {
  const std::string name(setting.name);
  const auto wrong = [&](const char* wanted) {
    return WrongTypeError("Setting " + name + ": " + json.dump() + " is not " + wanted);
  };
  switch (setting.type) {
    case SettingType::Flag:
      if (!json.is_boolean()) throw wrong("true or false");
      return json.get<bool>();
    case SettingType::Decimal:
      if (!json.is_number()) throw wrong("a number");
      return json.get<double>();
    case SettingType::Integer:
      break;
  }
  if (!json.is_number_integer()) throw wrong("a whole number");
  // Beyond 32 bits is beyond every range.
  constexpr std::int64_t kLow = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kHigh = std::numeric_limits<std::int32_t>::max();
  if (json.is_number_unsigned() ? json.get<std::uint64_t>() > std::uint64_t{kHigh}
                                : json.get<std::int64_t>() > kHigh) {
    throw Error("Setting " + name + ": " + json.dump() + " " +
                RangeProblem(setting, std::int32_t{kHigh}).value_or("is too large"));
  }
  if (json.get<std::int64_t>() < kLow) {
    throw Error("Setting " + name + ": " + json.dump() + " " +
                *RangeProblem(setting, std::int32_t{kLow}));
  }
  return static_cast<std::int32_t>(json.get<std::int64_t>());
}

void Collect(const Json& json, const std::string& prefix, AnalysisSettings& settings,
             std::array<bool, kSettingCount>& given) {
  if (!json.is_object()) {
    if (prefix.empty()) throw WrongTypeError("Settings must be a JSON object, not " + json.dump());
    throw Error("Unknown setting '" + prefix + "'");
  }
  for (const auto& [key, value] : json.items()) {
    const std::string name = prefix.empty() ? key : prefix + "." + key;
    if (const SettingDescriptor* setting = FindSettingByName(name)) {
      bool& seen = given[static_cast<std::size_t>(setting->id)];
      if (seen) throw Error("Setting " + name + " is given twice");
      seen = true;
      SetSetting(settings, setting->id, ValueOf(*setting, value));
    } else if (value.is_object()) {
      Collect(value, name, settings, given);
    } else {
      throw Error("Unknown setting '" + name + "'");
    }
  }
}

}  // namespace

Json SettingsToJson(const AnalysisSettings& settings) {
  Json json = Json::object();
  for (const SettingDescriptor& setting : AllSettings()) {
    // Dotted name to a JSON pointer: "display.green.cutoff" -> /display/green/cutoff.
    std::string path = "/" + std::string(setting.name);
    for (char& c : path) {
      if (c == '.') c = '/';
    }
    std::visit([&](auto value) { json[Json::json_pointer(path)] = value; },
               GetSetting(settings, setting.id));
  }
  return json;
}

AnalysisSettings SettingsFromJson(const Json& json, const AnalysisSettings& base) {
  AnalysisSettings settings = base;
  std::array<bool, kSettingCount> given{};
  Collect(json, "", settings, given);
  if (const auto problem = FindSettingProblem(settings, SettingNaming::Name)) {
    const SettingDescriptor& setting = Describe(problem->id);
    const SettingValue value = GetSetting(settings, problem->id);
    std::string valueText;
    std::visit([&](auto v) { valueText = Json(v).dump(); }, value);
    throw Error("Setting " + std::string(setting.name) + ": " + valueText + " " + problem->reason);
  }
  return settings;
}

}  // namespace vembrel
