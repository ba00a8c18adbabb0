#include "core/convert.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/error.h"

namespace vembrel {
namespace {

// Appended piece by piece: GCC 12 at -O3 warns wrongly (-Wrestrict) about
// "'" + std::string(...).
std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.push_back('\'');
  quoted.append(text);
  quoted.push_back('\'');
  return quoted;
}

}  // namespace

std::int32_t StrToInt(std::string_view text) {
  const auto fail = [&]() -> std::int32_t {
    throw ConversionError(Quoted(text) + " is not a valid integer value");
  };
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return fail();
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return fail();
    }
    value = value * base + digit;
    if (value > std::int64_t{1} << 32) return fail();
  }
  if (negative) value = -value;
  if (base == 10 && (value < std::numeric_limits<std::int32_t>::min() ||
                     value > std::numeric_limits<std::int32_t>::max())) {
    return fail();
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

double StrToFloat(std::string_view text) {
  std::string copy(text);
  std::size_t begin = copy.find_first_not_of(" \t");
  std::size_t end = copy.find_last_not_of(" \t\r\n");
  if (begin == std::string::npos) {
    throw ConversionError(Quoted(text) + " is not a valid floating point value");
  }
  copy = copy.substr(begin, end - begin + 1);
  for (char& c : copy) {
    if (c == ',') c = '.';
  }
  // Only plain decimal notation: digits, one separator, an optional exponent.
  bool ok = !copy.empty();
  for (char c : copy) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E')) {
      ok = false;
    }
  }
  char* stop = nullptr;
  errno = 0;
  const double value = ok ? std::strtod(copy.c_str(), &stop) : 0.0;
  // Underflow gives a tiny value or 0, as written tiny values must read back;
  // overflow is refused.
  const bool overflow = errno == ERANGE && std::fabs(value) > 1.0;
  if (!ok || stop != copy.c_str() + copy.size() || overflow || !std::isfinite(value)) {
    throw ConversionError(Quoted(text) + " is not a valid floating point value");
  }
  return value;
}

std::string FloatToText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text(buffer);
  // %G keeps trailing zeros out already; normalise the exponent form "1E+20".
  const std::size_t e = text.find('E');
  if (e == std::string::npos) return text;
  std::size_t digits = e + 2;
  while (digits + 1 < text.size() && text[digits] == '0') ++digits;
  std::string normal;
  normal.reserve(text.size());
  normal.append(text, 0, e);
  normal.push_back('E');
  normal.push_back(text[e + 1] == '-' ? '-' : '+');
  normal.append(text, digits, std::string::npos);
  return normal;
}

std::string CommaFloatText(double value) {
  std::string text = FloatToText(value);
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

}  // namespace vembrel
