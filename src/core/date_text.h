#pragma once
// Date-time values as days since 1899-12-30 (fraction = time of day), the
// form the measurement date is kept in, and their short date text.
#include <ctime>
#include <string>

namespace vembrel {

/// The date-times the conversions take: 0100-01-01 up to, not including,
/// 10000-01-01. Outside them TimeFromDateTime gives -1 and ShortDateText "".
inline constexpr double kEarliestDateTime = -657434.0;
inline constexpr double kLatestDateTime = 2958466.0;

/// Local time_t to a date-time value.
double DateTimeFromTime(std::time_t t);
/// The current local date-time.
double Now();
/// The time_t of a local date-time value (seconds dropped below one).
std::time_t TimeFromDateTime(double dateTime);
/// ISO 8601 local time with its offset: "2024-05-01T14:03:07+02:00".
std::string IsoDateTimeText(std::time_t t);
/// Short date text of the date part, in the locale's short date format
/// (LC_TIME; "%x"). 1900-01-01 and 0 (1899-12-30) are formatted like any date.
std::string ShortDateText(double dateTime);
/// The date part as ISO 8601 ("2026-12-07"), the form dates are shown to the user in.
std::string IsoDateText(double dateTime);

}  // namespace vembrel
