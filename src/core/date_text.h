#pragma once
// Date-time values as days since 1899-12-30 (fraction = time of day), the
// form the measurement date is kept in, and their short date text.
#include <ctime>
#include <string>

namespace vembrel {

/// Local time_t to a date-time value.
double DateTimeFromTime(std::time_t t);
/// The current local date-time.
double Now();
/// Short date text of the date part, in the locale's short date format
/// (LC_TIME; "%x"). 1900-01-01 and 0 (1899-12-30) are formatted like any date.
std::string ShortDateText(double dateTime);

}  // namespace vembrel
