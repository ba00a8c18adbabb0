#pragma once
// Reading JSON that was written by someone else, or by an earlier run and
// perhaps edited since: every value is looked up by its place, checked for
// its type and range before it is converted, and anything else is an Error
// naming the place ("results.immigrants[3].size: 1e300 is outside 0..1048576").
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace vembrel {

/// What a JSON exception says, without the library's tag ("[json.exception...] ").
std::string JsonProblem(const nlohmann::json::exception& error);

class JsonReader {
 public:
  /// Reads `json`, whose place is named `place` in messages ("" for the whole).
  explicit JsonReader(const nlohmann::ordered_json& json, std::string place = "");

  const nlohmann::ordered_json& json() const { return json_; }
  const std::string& place() const { return place_; }

  /// The member `key` of an object; Error when this is no object or has none.
  JsonReader at(std::string_view key) const;
  /// The elements of an array of at most `most` elements.
  std::vector<JsonReader> elements(std::size_t most) const;
  /// The elements of an array of exactly `count` elements.
  std::vector<JsonReader> exactly(std::size_t count) const;
  bool isNull() const { return json_.is_null(); }

  /// A whole number within minimum..maximum.
  std::int64_t integer(std::int64_t minimum, std::int64_t maximum) const;
  int integer32(int minimum, int maximum) const {
    return static_cast<int>(integer(minimum, maximum));
  }
  /// A number (whole or not) within minimum..maximum.
  double number(double minimum, double maximum) const;
  bool flag() const;
  const std::string& text() const;

  /// An Error naming this place and the problem.
  [[noreturn]] void fail(const std::string& problem) const;

 private:
  const nlohmann::ordered_json& json_;
  std::string place_;
};

}  // namespace vembrel
