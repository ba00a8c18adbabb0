#pragma once
// Small readers for the pieces of field-picture names, shared by the layouts.
#include <optional>
#include <string>
#include <string_view>

namespace vembrel {

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

/// Drops literal from the front (back) of text; false, text unchanged, when it is not there.
inline bool TakeFront(std::string_view& text, std::string_view literal) {
  if (!text.starts_with(literal)) return false;
  text.remove_prefix(literal.size());
  return true;
}
inline bool TakeBack(std::string_view& text, std::string_view literal) {
  if (!text.ends_with(literal)) return false;
  text.remove_suffix(literal.size());
  return true;
}

/// The value of a text of 1 to 9 digits; nothing for anything else.
inline std::optional<int> NumberOf(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

/// Reads minDigits..maxDigits leading digits as a number and drops them.
inline std::optional<int> TakeNumber(std::string_view& text, std::size_t minDigits,
                                     std::size_t maxDigits = 9) {
  std::size_t count = 0;
  while (count < text.size() && count < maxDigits && IsDigit(text[count])) ++count;
  if (count < minDigits) return std::nullopt;
  const std::optional<int> value = NumberOf(text.substr(0, count));
  text.remove_prefix(count);
  return value;
}

/// value written with at least width digits ("07").
inline std::string Padded(int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

}  // namespace vembrel
