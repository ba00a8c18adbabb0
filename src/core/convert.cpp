#include "core/convert.h"

#include <cerrno>
#include <charconv>
#include <cmath>
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
  // The general form with 15 significant digits (as printf's "%.15G"), in
  // capitals, its exponent without leading zeros: "1E+20". std::to_chars
  // writes it without printf's locale and stream machinery, which the cell
  // tables call for every measure.
  char buffer[40];
  const char* const end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
  std::string text;
  text.reserve(static_cast<std::size_t>(end - buffer));
  for (const char* c = buffer; c != end; ++c) {
    if (*c == 'e') {
      // "e+05" or "e-17": the sign, then the digits from the first non-zero
      // one, the last digit always kept.
      text.push_back('E');
      text.push_back(*++c);
      ++c;
      while (c + 1 != end && *c == '0') ++c;
      text.append(c, end);
      break;
    }
    text.push_back(*c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c);
  }
  return text;
}

std::string CommaFloatText(double value) {
  std::string text = FloatToText(value);
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

}  // namespace vembrel
