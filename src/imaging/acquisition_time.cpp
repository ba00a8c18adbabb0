#include "imaging/acquisition_time.h"

#include <tiffio.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "imaging/tiff_file.h"

namespace vembrel {
namespace {

// Reads exactly `digits` digits.
bool TakeDigits(std::string_view& text, int digits, int& value) {
  if (static_cast<int>(text.size()) < digits) return false;
  value = 0;
  for (int i = 0; i < digits; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    value = value * 10 + (text[i] - '0');
  }
  text.remove_prefix(digits);
  return true;
}

bool TakeChar(std::string_view& text, std::string_view allowed) {
  if (text.empty() || allowed.find(text.front()) == std::string_view::npos) return false;
  text.remove_prefix(1);
  return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::string Between(const std::string& text, const std::string& open, const std::string& close,
                    std::size_t from = 0) {
  const std::size_t start = text.find(open, from);
  if (start == std::string::npos) return "";
  const std::size_t end = text.find(close, start + open.size());
  if (end == std::string::npos) return "";
  return text.substr(start + open.size(), end - start - open.size());
}

}  // namespace

std::optional<double> ParseAcquisitionTime(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!TakeDigits(text, 4, year)) return std::nullopt;
  const bool separated = TakeChar(text, ":-");
  if (!TakeDigits(text, 2, month) || (separated && !TakeChar(text, ":-")) ||
      !TakeDigits(text, 2, day) || !TakeChar(text, " T") || !TakeDigits(text, 2, hour) ||
      !TakeChar(text, ":") || !TakeDigits(text, 2, minute) || !TakeChar(text, ":") ||
      !TakeDigits(text, 2, second)) {
    return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
    return std::nullopt;
  }
  double fraction = 0;
  if (TakeChar(text, ".")) {
    double scale = 0.1;
    bool any = false;
    while (!text.empty() && std::isdigit(static_cast<unsigned char>(text.front()))) {
      fraction += (text.front() - '0') * scale;
      scale /= 10;
      any = true;
      text.remove_prefix(1);
    }
    if (!any) return std::nullopt;
  }
  long long offsetSeconds = 0;
  if (TakeChar(text, "Z")) {
  } else if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    const int sign = text.front() == '-' ? -1 : 1;
    text.remove_prefix(1);
    int offsetHours = 0, offsetMinutes = 0;
    if (!TakeDigits(text, 2, offsetHours)) return std::nullopt;
    TakeChar(text, ":");
    if (!TakeDigits(text, 2, offsetMinutes) || offsetHours > 23 || offsetMinutes > 59) {
      return std::nullopt;
    }
    offsetSeconds = sign * (offsetHours * 3600LL + offsetMinutes * 60LL);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  if (!text.empty()) return std::nullopt;
  const long long seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600LL +
                            minute * 60LL + second - offsetSeconds;
  return static_cast<double>(seconds) + fraction;
}

std::optional<double> NameTimeStampSeconds(std::string_view stamp) {
  int days = 0, hour = 0, minute = 0;
  const auto clock = [&](std::string_view rest) {
    return TakeDigits(rest, 2, hour) && TakeChar(rest, "h") && TakeDigits(rest, 2, minute) &&
           TakeChar(rest, "m") && rest.empty() && hour <= 23 && minute <= 59;
  };
  const std::size_t d = stamp.find('d');
  if (d == std::string_view::npos || d == 0) return std::nullopt;
  if (stamp.find('y') == std::string_view::npos) {
    std::string_view rest = stamp;
    if (d > 5 || !TakeDigits(rest, static_cast<int>(d), days) || !TakeChar(rest, "d") ||
        !clock(rest)) {
      return std::nullopt;
    }
    return days * 86400.0 + hour * 3600.0 + minute * 60.0;
  }
  std::string_view rest = stamp;
  int year = 0, month = 0, day = 0;
  const int yearDigits = static_cast<int>(stamp.find('y'));
  if ((yearDigits != 2 && yearDigits != 4) || !TakeDigits(rest, yearDigits, year) ||
      !TakeChar(rest, "y") || !TakeDigits(rest, 2, month) || !TakeChar(rest, "m") ||
      !TakeDigits(rest, 2, day) || !TakeChar(rest, "d") || !TakeChar(rest, "_") || !clock(rest) ||
      month < 1 || month > 12 || day < 1 || day > 31) {
    return std::nullopt;
  }
  if (yearDigits == 2) year += 2000;
  return static_cast<double>(DaysFromCivil(year, month, day) * 86400 + hour * 3600LL +
                             minute * 60LL);
}

std::optional<double> TiffAcquisitionTime(const std::string& fileName) {
  TiffFile file(fileName);
  if (file.status() != TiffOpenStatus::kOpened) return std::nullopt;
  char* description = nullptr;
  if (TIFFGetField(file.get(), TIFFTAG_IMAGEDESCRIPTION, &description) == 1 && description) {
    const std::string text(description);
    const std::size_t key = text.find("id=\"acquisition-time-local\"");
    if (key != std::string::npos) return ParseAcquisitionTime(Between(text, "value=\"", "\"", key));
  }
  return std::nullopt;
}

std::optional<double> TiffDateTime(const std::string& fileName) {
  TiffFile file(fileName);
  if (file.status() != TiffOpenStatus::kOpened) return std::nullopt;
  char* dateTime = nullptr;
  if (TIFFGetField(file.get(), TIFFTAG_DATETIME, &dateTime) == 1 && dateTime) {
    return ParseAcquisitionTime(dateTime);
  }
  return std::nullopt;
}

std::optional<double> IndexAcquisitionTime(const std::string& folder, const std::string& picture) {
  std::ifstream in(folder + "Index.idx.xml", std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string text = bytes.str();
  const std::size_t url = text.find(">" + picture + "</URL>");
  if (url == std::string::npos) return std::nullopt;
  const std::size_t imageEnd = text.find("</Image>", url);
  const std::string time = Between(text, "<AbsTime>", "</AbsTime>", url);
  const std::size_t timeAt = text.find("<AbsTime>", url);
  if (time.empty() || (imageEnd != std::string::npos && timeAt > imageEnd)) {
    // The entry may give its time before its URL: look back to its start.
    const std::size_t imageStart = text.rfind("<Image", url);
    if (imageStart == std::string::npos) return std::nullopt;
    const std::string before =
        Between(text.substr(imageStart, url - imageStart), "<AbsTime>", "</AbsTime>");
    return before.empty() ? std::nullopt : ParseAcquisitionTime(before);
  }
  return ParseAcquisitionTime(time);
}

}  // namespace vembrel
