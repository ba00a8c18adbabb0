#include "core/convert.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/error.h"
#include "plate/analysis_settings.h"

namespace vembrel {
namespace {

TEST(StrToInt, AcceptsDecimalAndRefusesOtherTextNamingIt) {
  EXPECT_EQ(StrToInt("350"), 350);
  EXPECT_EQ(StrToInt(" -12"), -12);
  EXPECT_EQ(StrToInt("$FF"), 255);
  try {
    StrToInt("35a");
    FAIL() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'35a' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt(""), ConversionError);
  EXPECT_THROW(StrToInt("Cent_COG"), ConversionError);
  EXPECT_THROW(StrToInt("99999999999"), ConversionError);
}

TEST(StrToFloat, TakesPointAndCommaAndLeadingBlanks) {
  EXPECT_EQ(StrToFloat(" 3.00000000000000E+0000"), 3.0);
  EXPECT_EQ(StrToFloat(" 7.50000000000000E-0001"), 0.75);
  EXPECT_EQ(StrToFloat("0,29"), 0.29);
  EXPECT_THROW(StrToFloat("abc"), ConversionError);
  EXPECT_THROW(StrToFloat(""), ConversionError);
}

TEST(FloatToText, GeneralFormWithFifteenDigits) {
  EXPECT_EQ(FloatToText(3.0), "3");
  EXPECT_EQ(FloatToText(0.75), "0.75");
  EXPECT_EQ(FloatToText(2.9), "2.9");
  EXPECT_EQ(CommaFloatText(12.5), "12,5");
  EXPECT_EQ(CommaFloatText(1.0 / 3.0), "0,333333333333333");
}

TEST(FloatToText, ExponentFormInCapitalsWithoutLeadingZeros) {
  EXPECT_EQ(FloatToText(1e20), "1E+20");
  EXPECT_EQ(FloatToText(-2.5e-7), "-2.5E-7");
  EXPECT_EQ(FloatToText(1e-100), "1E-100");
  EXPECT_EQ(FloatToText(123456789012345678.0), "1.23456789012346E+17");
  EXPECT_EQ(FloatToText(0.0001), "0.0001");
  EXPECT_EQ(FloatToText(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(WellSettingsRow, TruncatesExtendedProducts) {
  AnalysisSettings s;
  WellSettingsRow row = ToWellSettingsRow(s);
  EXPECT_EQ(row[15], 30);
  EXPECT_EQ(row[16], 75);
  EXPECT_EQ(row[5], 1);
  s.cells.lengthRatio = 29 / 10.0;
  s.cells.smoothness = 29 / 100.0;
  row = ToWellSettingsRow(s);
  EXPECT_EQ(row[15], 28);
  EXPECT_EQ(row[16], 28);
}

}  // namespace
}  // namespace vembrel
