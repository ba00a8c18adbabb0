// Date-time values: the years 100..9999 convert, anything else gives no date
// instead of overflowing an integer.
#include "core/date_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace vembrel {
namespace {

TEST(DateText, DatesWithinTheRangeConvertAndOthersGiveNone) {
  std::setlocale(LC_TIME, "C");
  // 2023-03-15 is day 45000 after 1899-12-30.
  EXPECT_EQ(ShortDateText(45000.75), "03/15/23");
  EXPECT_EQ(ShortDateText(kLatestDateTime - 0.5), "12/31/99");  // 9999-12-31
  EXPECT_EQ(ShortDateText(kEarliestDateTime), "01/01/00");      // 0100-01-01
  std::tm noon{};
  noon.tm_year = 2023 - 1900;
  noon.tm_mon = 2;
  noon.tm_mday = 15;
  noon.tm_hour = 18;
  noon.tm_isdst = -1;
  EXPECT_EQ(TimeFromDateTime(45000.75), std::mktime(&noon));
  EXPECT_NE(TimeFromDateTime(kLatestDateTime - 0.5), -1);
  EXPECT_NE(TimeFromDateTime(kEarliestDateTime), -1);
  for (const double outside :
       {1e308, -1e308, kLatestDateTime, kEarliestDateTime - 1e-9,
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(ShortDateText(outside), "") << outside;
    EXPECT_EQ(TimeFromDateTime(outside), -1) << outside;
  }
}

}  // namespace
}  // namespace vembrel
