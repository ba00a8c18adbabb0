#include "core/date_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vembrel {
namespace {

// Days from 1899-12-30 to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(yy + (m <= 2));
}

// Whether a date-time lies within 0100-01-01 .. 9999-12-31, where every
// conversion below stays within its integers.
bool WithinDateRange(double dateTime) {
  return dateTime >= kEarliestDateTime && dateTime < kLatestDateTime;
}

}  // namespace

double DateTimeFromTime(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  const double days = std::floor((static_cast<double>(t) + local.tm_gmtoff) / 86400.0);
  const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  return days + kUnixEpochDays + seconds / 86400.0;
}

double Now() {
  return DateTimeFromTime(std::time(nullptr));
}

std::time_t TimeFromDateTime(double dateTime) {
  if (!WithinDateRange(dateTime)) return -1;
  const double days = std::floor(dateTime);
  const long long seconds = std::llround((dateTime - days) * 86400.0);
  int y;
  unsigned m, d;
  CivilFromDays(static_cast<long long>(days) - static_cast<long long>(kUnixEpochDays), y, m, d);
  std::tm local{};
  local.tm_year = y - 1900;
  local.tm_mon = static_cast<int>(m) - 1;
  local.tm_mday = static_cast<int>(d);
  local.tm_sec = static_cast<int>(seconds);  // mktime carries seconds into minutes and hours
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::string IsoDateTimeText(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &local);
  const long offset = local.tm_gmtoff / 60;
  char zone[32];
  std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', std::labs(offset) / 60,
                std::labs(offset) % 60);
  return std::string(buffer, n) + zone;
}

std::string ShortDateText(double dateTime) {
  if (!WithinDateRange(dateTime)) return "";
  int y;
  unsigned m, d;
  CivilFromDays(
      static_cast<long long>(std::floor(dateTime)) - static_cast<long long>(kUnixEpochDays), y, m,
      d);
  std::tm date{};
  date.tm_year = y - 1900;
  date.tm_mon = static_cast<int>(m) - 1;
  date.tm_mday = static_cast<int>(d);
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, "%x", &date);
  return std::string(buffer, n);
}

std::string IsoDateText(double dateTime) {
  int y;
  unsigned m, d;
  CivilFromDays(
      static_cast<long long>(std::floor(dateTime)) - static_cast<long long>(kUnixEpochDays), y, m,
      d);
  char buffer[32];
  const int n = std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", y, m, d);
  return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace vembrel
