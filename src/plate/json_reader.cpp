#include "plate/json_reader.h"

#include <cmath>

#include "core/convert.h"
#include "core/error.h"

namespace vembrel {
namespace {

std::string Shown(const nlohmann::ordered_json& json) {
  std::string text = json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  if (text.size() > 60) text = text.substr(0, 57) + "...";
  return text;
}

}  // namespace

std::string JsonProblem(const nlohmann::json::exception& error) {
  const std::string_view text = error.what();
  const std::size_t tag = text.starts_with("[json.exception.") ? text.find("] ") : text.npos;
  return std::string(tag == text.npos ? text : text.substr(tag + 2));
}

JsonReader::JsonReader(const nlohmann::ordered_json& json, std::string place)
    : json_(json), place_(std::move(place)) {}

void JsonReader::fail(const std::string& problem) const {
  throw Error((place_.empty() ? std::string("the whole") : place_) + ": " + problem);
}

JsonReader JsonReader::at(std::string_view key) const {
  const std::string place = place_.empty() ? std::string(key) : place_ + "." + std::string(key);
  if (!json_.is_object()) fail(Shown(json_) + " is not an object");
  const auto found = json_.find(key);
  if (found == json_.end()) throw Error(place + ": missing");
  return JsonReader(*found, place);
}

std::vector<JsonReader> JsonReader::elements(std::size_t most) const {
  if (!json_.is_array()) fail(Shown(json_) + " is not a list");
  if (json_.size() > most) {
    fail("a list of " + std::to_string(json_.size()) + " is longer than " + std::to_string(most));
  }
  std::vector<JsonReader> list;
  list.reserve(json_.size());
  for (std::size_t i = 0; i < json_.size(); ++i) {
    list.emplace_back(json_[i], place_ + "[" + std::to_string(i) + "]");
  }
  return list;
}

std::vector<JsonReader> JsonReader::exactly(std::size_t count) const {
  if (json_.is_array() && json_.size() != count) {
    fail("a list of " + std::to_string(json_.size()) + " is not one of " + std::to_string(count));
  }
  return elements(count);
}

std::int64_t JsonReader::integer(std::int64_t minimum, std::int64_t maximum) const {
  const auto outside = [&] {
    fail(Shown(json_) + " is outside " + std::to_string(minimum) + ".." + std::to_string(maximum));
  };
  if (json_.is_number_unsigned()) {
    const std::uint64_t value = json_.get<std::uint64_t>();
    if (maximum < 0 || value > static_cast<std::uint64_t>(maximum)) outside();
    const auto signedValue = static_cast<std::int64_t>(value);
    if (signedValue < minimum) outside();
    return signedValue;
  }
  if (!json_.is_number_integer()) fail(Shown(json_) + " is not a whole number");
  const std::int64_t value = json_.get<std::int64_t>();
  if (value < minimum || value > maximum) outside();
  return value;
}

double JsonReader::number(double minimum, double maximum) const {
  double value = 0;
  if (json_.is_number_integer()) {
    // Whole numbers beyond 2^53 are outside every range read here.
    value = static_cast<double>(integer(-(std::int64_t{1} << 53), std::int64_t{1} << 53));
  } else if (json_.is_number_float()) {
    value = json_.get<double>();
  } else {
    fail(Shown(json_) + " is not a number");
  }
  if (!(value >= minimum && value <= maximum)) {
    fail(Shown(json_) + " is outside " + FloatToText(minimum) + ".." + FloatToText(maximum));
  }
  return value;
}

bool JsonReader::flag() const {
  if (!json_.is_boolean()) fail(Shown(json_) + " is not true or false");
  return json_.get<bool>();
}

const std::string& JsonReader::text() const {
  if (!json_.is_string()) fail(Shown(json_) + " is not a text");
  return json_.get_ref<const std::string&>();
}

}  // namespace vembrel
