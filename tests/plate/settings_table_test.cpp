#include "plate/settings_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "core/error.h"
#include "plate/settings_json.h"

namespace vembrel {
namespace {

using Json = nlohmann::ordered_json;

AnalysisSettings AtRangeEnd(bool maximum) {
  AnalysisSettings s;
  for (const SettingDescriptor& d : AllSettings()) {
    SetSetting(s, d.id, FromSliderPosition(d, maximum ? d.maximum : d.minimum));
  }
  return s;
}

TEST(SettingsTable, LookupsAreExactAndTypedAccessChecksTheType) {
  for (const SettingDescriptor& d : AllSettings()) {
    EXPECT_EQ(FindSettingByKey(d.key), &d);
    EXPECT_EQ(FindSettingByName(d.name), &d);
  }
  EXPECT_EQ(FindSettingByKey("cent_cog"), nullptr);
  EXPECT_EQ(FindSettingByName("display.green"), nullptr);
  AnalysisSettings s;
  EXPECT_THROW(SetSetting(s, SettingId::RingRadius, 3.0), std::invalid_argument);
  EXPECT_THROW((void)GetFlag(s, SettingId::RingRadius), std::bad_variant_access);
}

TEST(SettingsTable, SliderPositionsScaleRoundAndClamp) {
  const SettingDescriptor& ratio = Describe(SettingId::CellsLengthRatio);
  EXPECT_EQ(SliderPosition(ratio, 2.96), 30);
  EXPECT_EQ(SliderPosition(ratio, 25.0), 200);
  EXPECT_EQ(SliderPosition(ratio, NAN), 1);
  EXPECT_EQ(FromSliderPosition(ratio, 29), SettingValue(2.9));
  EXPECT_EQ(SliderPosition(Describe(SettingId::CellsSmoothness), 0.29), 29);
  EXPECT_EQ(SliderPosition(Describe(SettingId::DisplayGreenFullRange), true), 1);
  EXPECT_EQ(SliderPosition(Describe(SettingId::DisplayGreenCutoff), std::int32_t{-4}), 0);
}

TEST(SettingsTable, RangesAndOrderRulesNameTheSetting) {
  EXPECT_FALSE(FindSettingProblem(AnalysisSettings{}));
  EXPECT_FALSE(FindSettingProblem(AtRangeEnd(false)));
  EXPECT_FALSE(FindSettingProblem(AtRangeEnd(true)));
  // Every setting one step beyond either end of its range.
  for (const SettingDescriptor& d : AllSettings()) {
    if (d.type == SettingType::Flag) continue;
    for (const long long position : {d.minimum - 1LL, d.maximum + 1LL}) {
      if (position > INT32_MAX) continue;
      AnalysisSettings beyond;
      SetSetting(beyond, d.id, FromSliderPosition(d, static_cast<std::int32_t>(position)));
      const auto problem = FindSettingProblem(beyond);
      ASSERT_TRUE(problem) << d.name << " at " << position;
      EXPECT_EQ(problem->id, d.id);
    }
  }

  AnalysisSettings s;
  s.display.green.cutoff = 200;
  s.display.green.saturation = 200;
  auto problem = FindSettingProblem(s);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->id, SettingId::DisplayGreenCutoff);
  EXPECT_EQ(problem->reason, "is not below display.green.saturation 200");
  EXPECT_EQ(FindSettingProblem(s, SettingNaming::FileKey)->reason, "is not below Cent_SG 200");
  s.cells.lengthRatio = 20.1;  // ranges are checked before the order
  EXPECT_EQ(FindSettingProblem(s)->id, SettingId::CellsLengthRatio);
}

TEST(SettingsJson, NestedByNameAndBack) {
  EXPECT_EQ(
      SettingsToJson(AnalysisSettings{}).dump(),
      R"({"display":{"green":{"cutoff":10,"full_range":true,"saturation":255},)"
      R"("blue":{"cutoff":10,"full_range":true,"saturation":155}},)"
      R"("ring":{"radius":350,"increment":50},)"
      R"("nuclei":{"green_cutoff":100,"blue_cutoff":100,"minimal_size":10,"maximal_size":255},)"
      R"("cells":{"green_cutoff":40,"minimal_size":30,"maximal_size":2000,)"
      R"("length_ratio":3.0,"smoothness":0.75}})");
  for (const bool maximum : {false, true}) {
    const AnalysisSettings s = AtRangeEnd(maximum);
    EXPECT_EQ(SettingsFromJson(SettingsToJson(s)), s);
    EXPECT_EQ(SettingsFromJson(Json::parse(SettingsToJson(s).dump())), s);
  }

  // Given names only, nested or dotted, over a base.
  AnalysisSettings base;
  base.ring.increment = 40;
  const AnalysisSettings read = SettingsFromJson(
      Json::parse(R"({"ring": {"radius": 300}, "cells.smoothness": 1, "display": {}})"), base);
  AnalysisSettings expected = base;
  expected.ring.radius = 300;
  expected.cells.smoothness = 1.0;
  EXPECT_EQ(read, expected);
}

TEST(SettingsJson, RefusedValuesNameTheSetting) {
  const struct {
    const char* json;
    const char* message;
  } cases[] = {
      {R"([1])", "Settings must be a JSON object, not [1]"},
      {R"({"ring": {"radius": 300, "size": 2}})", "Unknown setting 'ring.size'"},
      {R"({"display": {"green": 3}})", "Unknown setting 'display.green'"},
      {R"({"ring": {"radius": 300}, "ring.radius": 301})", "Setting ring.radius is given twice"},
      {R"({"ring": {"radius": 300.5}})", "Setting ring.radius: 300.5 is not a whole number"},
      {R"({"ring": {"radius": "300"}})", R"(Setting ring.radius: "300" is not a whole number)"},
      {R"({"display": {"blue": {"full_range": 1}}})",
       "Setting display.blue.full_range: 1 is not true or false"},
      {R"({"cells": {"length_ratio": null}})", "Setting cells.length_ratio: null is not a number"},
      {R"({"ring": {"radius": 0}})", "Setting ring.radius: 0 is outside 1..1024"},
      {R"({"ring": {"radius": 4294967296}})", "Setting ring.radius: 4294967296 is outside 1..1024"},
      {R"({"ring": {"increment": 18446744073709551615}})",
       "Setting ring.increment: 18446744073709551615 is too large"},
      {R"({"ring": {"increment": -4294967296}})", "Setting ring.increment: -4294967296 is below 1"},
      // Every setting's range and order rule is the settings table's test.
      {R"({"cells": {"smoothness": 1.2}})", "Setting cells.smoothness: 1.2 is outside 0..1"},
      {R"({"cells": {"minimal_size": 2001}})",
       "Setting cells.minimal_size: 2001 is above cells.maximal_size 2000"},
  };
  for (const auto& c : cases) {
    try {
      (void)SettingsFromJson(Json::parse(c.json));
      ADD_FAILURE() << c.json << ": accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace vembrel
