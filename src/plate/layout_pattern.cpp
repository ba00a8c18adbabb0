// A layout given by the user as a pattern: literal text with the placeholders
// {plate} (any text), {well} (A01 or A1), {row} (A..AF or 1..32), {col} (1..48),
// {field} (counted from 1), {channel} (a number) and, for a time series,
// {time} (the time point, counted from 1). Without {channel} each file holds
// its field's channels as pages; without {field} each file holds the whole
// well (one picture of it, or its fields as pages). The prefix is the text of
// {plate} followed by "_", or the folder's name followed by "_" when the
// pattern has no {plate} or it is empty.
#include <algorithm>
#include <array>

#include "core/error.h"
#include "plate/name_reading.h"
#include "plate/plate_layout.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

enum class Part { Text, Plate, Well, Row, Col, Field, Channel, Time };

constexpr std::array<std::pair<std::string_view, Part>, 7> kPlaceholders{{
    {"plate", Part::Plate},
    {"well", Part::Well},
    {"row", Part::Row},
    {"col", Part::Col},
    {"field", Part::Field},
    {"channel", Part::Channel},
    {"time", Part::Time},
}};

struct Piece {
  Part part = Part::Text;
  std::string text;  // the literal text of a Text piece
};

// What a name has given so far while it is matched.
struct Reading {
  FieldName field;
  int row = 0;     // 1..32
  int column = 0;  // 1..48
  int site = 0;    // the field counted from 1
};

constexpr int kMostRows = 32;
constexpr int kMostColumns = 48;

class Pattern : public PlateLayout {
 public:
  explicit Pattern(std::string pattern) : pattern_(std::move(pattern)) { split(); }

  std::string name() const override { return "pattern"; }
  std::string option() const override { return pattern_; }
  std::string title() const override { return "pattern " + pattern_; }

  std::optional<FieldName> parse(std::string_view fileName) const override {
    Reading reading;
    reading.site = 1;  // where the names carry no field
    if (!match(0, fileName, reading)) return std::nullopt;
    reading.field.well = {reading.row - 1, reading.column - 1};
    reading.field.field = reading.site - 1;
    return reading.field;
  }

  std::string format(const FieldName& f) const override {
    std::string name;
    for (const Piece& piece : pieces_) {
      switch (piece.part) {
        case Part::Text:
          name += piece.text;
          break;
        case Part::Plate:
          name += f.plate;
          break;
        case Part::Well:
          name += WellName(f.well);
          break;
        case Part::Row:
          name += RowName(f.well.row);
          break;
        case Part::Col:
          name += Padded(f.well.column + 1, 2);
          break;
        case Part::Field:
          name += std::to_string(f.field + 1);
          break;
        case Part::Channel:
          name += std::to_string(f.channel);
          break;
        case Part::Time:
          name += std::to_string(f.timePoint);
          break;
      }
    }
    return name;
  }

  std::string prefix(const std::string& plate, const std::string& folderName) const override {
    if (plate.empty()) return folderName + "_";
    return plate.ends_with('_') ? plate : plate + "_";
  }
  std::string fieldLabel(int field) const override { return "field " + std::to_string(field + 1); }
  std::string channelLabel(int channel) const override {
    return "channel " + std::to_string(channel);
  }
  bool hasTimePoints() const override { return has(Part::Time); }
  bool channelsAsPages() const override { return !has(Part::Channel); }
  bool wholeWellFiles() const override { return !has(Part::Field); }

 private:
  bool has(Part part) const {
    return std::any_of(pieces_.begin(), pieces_.end(),
                       [part](const Piece& piece) { return piece.part == part; });
  }

  [[noreturn]] void refuse(const std::string& why) const {
    throw Error("Layout pattern '" + pattern_ + "': " + why);
  }

  void split() {
    std::vector<Part> seen;
    std::string text;
    for (std::size_t i = 0; i < pattern_.size(); ++i) {
      const char c = pattern_[i];
      if (c == '/' || c == '\\') refuse("names files of one folder, so it has no '/' or '\\'");
      if (c == '}') refuse("a '}' without its '{'");
      if (c != '{') {
        text += c;
        continue;
      }
      const std::size_t close = pattern_.find('}', i);
      if (close == std::string::npos) refuse("a '{' without its '}'");
      const std::string_view word = std::string_view(pattern_).substr(i + 1, close - i - 1);
      const auto known = std::find_if(kPlaceholders.begin(), kPlaceholders.end(),
                                      [&](const auto& entry) { return entry.first == word; });
      if (known == kPlaceholders.end()) {
        refuse("unknown placeholder {" + std::string(word) +
               "}; the placeholders are {plate}, {well}, {row}, {col}, {field}, {channel} and "
               "{time}");
      }
      if (std::find(seen.begin(), seen.end(), known->second) != seen.end()) {
        refuse("{" + std::string(word) + "} appears twice");
      }
      seen.push_back(known->second);
      if (!text.empty()) pieces_.push_back({Part::Text, std::move(text)});
      text.clear();
      pieces_.push_back({known->second, {}});
      i = close;
    }
    if (!text.empty()) pieces_.push_back({Part::Text, std::move(text)});

    if (has(Part::Well) ? has(Part::Row) || has(Part::Col) : !(has(Part::Row) && has(Part::Col))) {
      refuse("the well is given by {well}, or by {row} and {col}");
    }
  }

  // Matches pieces from index onward against the rest of the name, trying the
  // longest text of a placeholder first ({plate} ends at the last place that fits).
  bool match(std::size_t index, std::string_view rest, Reading& reading) const {
    if (index == pieces_.size()) return rest.empty();
    const Piece& piece = pieces_[index];
    const auto next = [&](std::size_t used) {
      return match(index + 1, rest.substr(used), reading);
    };
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 9 && IsDigit(rest[digits])) ++digits;
    switch (piece.part) {
      case Part::Text:
        return rest.starts_with(piece.text) && next(piece.text.size());
      case Part::Plate:
        for (std::size_t length = rest.size() + 1; length-- > 0;) {
          reading.field.plate = std::string(rest.substr(0, length));
          if (next(length)) return true;
        }
        return false;
      case Part::Well:
        return tryRowLetters(rest, reading, [&](std::size_t letters) {
          std::size_t columnDigits = 0;
          while (letters + columnDigits < rest.size() && columnDigits < 2 &&
                 IsDigit(rest[letters + columnDigits]))
            ++columnDigits;
          for (std::size_t length = columnDigits; length >= 1; --length) {
            reading.column = *NumberOf(rest.substr(letters, length));
            if (reading.column >= 1 && reading.column <= kMostColumns && next(letters + length)) {
              return true;
            }
          }
          return false;
        });
      case Part::Row:
        return tryRowLetters(rest, reading, next) ||
               tryNumbers(rest, std::min<std::size_t>(digits, 2), 1, kMostRows, reading.row, next);
      case Part::Col:
        return tryNumbers(rest, std::min<std::size_t>(digits, 2), 1, kMostColumns, reading.column,
                          next);
      case Part::Field:
        return tryNumbers(rest, digits, 1, 999999999, reading.site, next);
      case Part::Channel:
        return tryNumbers(rest, digits, 0, 999999999, reading.field.channel, next);
      case Part::Time:
        return tryNumbers(rest, digits, 1, 999999999, reading.field.timePoint, next);
    }
    return false;
  }

  // A row of two letters (AA..AF), else of one (A..Z), either case.
  template <typename Next>
  static bool tryRowLetters(std::string_view rest, Reading& reading, const Next& next) {
    for (std::size_t letters = 2; letters >= 1; --letters) {
      const std::optional<int> row =
          rest.size() >= letters ? RowOfLetters(rest.substr(0, letters)) : std::nullopt;
      if (!row || *row >= kMostRows) continue;
      reading.row = *row + 1;
      if (next(letters)) return true;
    }
    return false;
  }

  // The leading numbers of 1..digits digits, longest first, within low..high.
  template <typename Next>
  static bool tryNumbers(std::string_view rest, std::size_t digits, int low, int high, int& value,
                         const Next& next) {
    for (std::size_t length = digits; length >= 1; --length) {
      value = *NumberOf(rest.substr(0, length));
      if (value >= low && value <= high && next(length)) return true;
    }
    return false;
  }

  std::string pattern_;
  std::vector<Piece> pieces_;
};

}  // namespace

std::unique_ptr<PlateLayout> PatternLayout(const std::string& pattern) {
  return std::make_unique<Pattern>(pattern);
}

}  // namespace vembrel
