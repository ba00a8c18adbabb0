#include "results/plate_map.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "core/error.h"
#include "core/text_file.h"
#include "engine/plate_results.h"
#include "imaging/file_fingerprint.h"
#include "plate/plate.h"
#include "plate/well_names.h"
#include "results/table.h"

namespace vembrel {
namespace {

constexpr int kRows = 8;
constexpr int kColumns = 12;

struct Line {
  int number = 0;                  // counted from 1
  std::vector<std::string> cells;  // trimmed, trailing empty cells dropped
};

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::string Lower(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

// The cells of one line: fields between separators, a field in double
// quotes may hold separators and doubled quotes.
std::vector<std::string> SplitFields(std::string_view line, char separator) {
  std::vector<std::string> cells;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char ch = line[i];
    if (quoted) {
      if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (ch == '"') {
        quoted = false;
      } else {
        field += ch;
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == separator) {
      cells.push_back(Trimmed(field));
      field.clear();
    } else {
      field += ch;
    }
  }
  cells.push_back(Trimmed(field));
  while (!cells.empty() && cells.back().empty()) cells.pop_back();
  return cells;
}

std::vector<Line> MapLines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  // Commas, else TABs, else semicolons, as the first line uses them.
  const std::string_view first = text.substr(0, text.find('\n'));
  const char separator = first.find(',') != std::string_view::npos    ? ','
                         : first.find('\t') != std::string_view::npos ? '\t'
                         : first.find(';') != std::string_view::npos  ? ';'
                                                                      : ',';
  std::vector<Line> lines;
  int number = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back({++number, SplitFields(text.substr(start, end - start), separator)});
    start = end + 1;
  }
  return lines;
}

class MapBuilder {
 public:
  explicit MapBuilder(const std::string& fileName) : fileName_(fileName) {}

  [[noreturn]] void fail(int line, const std::string& what) const {
    throw UsageError("Plate map '" + fileName_ + "', line " + std::to_string(line) + ": " + what);
  }

  // The column of a variable named on a line: reserved ones by their
  // lower-case word, the others in the order they come.
  int addVariable(const std::string& name, int line) {
    if (name.empty()) fail(line, "a variable without a name");
    const std::string key = Lower(name);
    const auto reserved =
        std::find(kReservedMapVariables.begin(), kReservedMapVariables.end(), key);
    const std::string stored =
        reserved != kReservedMapVariables.end() ? std::string(*reserved) : name;
    if (std::find(named_.begin(), named_.end(), stored) != named_.end()) {
      fail(line, "the variable '" + name + "' is named twice");
    }
    named_.push_back(stored);
    if (reserved != kReservedMapVariables.end()) {
      return static_cast<int>(reserved - kReservedMapVariables.begin());
    }
    map_.otherVariables.push_back(stored);
    return static_cast<int>(kReservedMapVariables.size() + map_.otherVariables.size() - 1);
  }

  void set(int variable, int well, const std::string& value, int line) {
    if (value.empty()) return;
    MappedWell& target = map_.wells[well];
    target.mapped = true;
    const std::string wellName = WellName(well);
    switch (variable) {
      case 0: {
        for (const WellRole role : {WellRole::NegativeControl, WellRole::PositiveControl,
                                    WellRole::Sample, WellRole::Empty}) {
          if (Lower(value) == WellRoleWord(role)) {
            target.role = role;
            return;
          }
        }
        fail(line, "role '" + value + "' of well " + wellName +
                       " is not one of negative_control, positive_control, sample, empty");
      }
      case 1:
        target.compound = value;
        return;
      case 2: {
        double number = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc() || end != value.data() + value.size() || !std::isfinite(number) ||
            number <= 0) {
          fail(line,
               "concentration '" + value + "' of well " + wellName + " is not a positive number");
        }
        target.concentration = number;
        return;
      }
      case 3:
        target.unit = value;
        return;
      case 4:
        target.condition = value;
        conditionGiven_[well] = true;
        return;
      default: {
        const std::size_t other = static_cast<std::size_t>(variable) - kReservedMapVariables.size();
        target.others.resize(map_.otherVariables.size());
        target.others[other] = value;
      }
    }
  }

  MappedPlate finish(int lastLine) {
    bool any = false;
    for (int well = 0; well < kMappedWells; ++well) {
      MappedWell& target = map_.wells[well];
      target.others.resize(map_.otherVariables.size());
      any = any || target.mapped;
      if (conditionGiven_[well]) continue;
      std::string made;
      const auto append = [&made](const std::string& part) {
        if (part.empty()) return;
        if (!made.empty()) made += ' ';
        made += part;
      };
      append(target.compound);
      if (target.concentration) append(ExactDecimalText(*target.concentration));
      if (!made.empty()) append(target.unit);
      if (made.empty() && target.role) made = WellRoleWord(*target.role);
      target.condition = made;
    }
    if (!any) fail(std::max(lastLine, 1), "the map sets no variable of any well; it is empty");
    return std::move(map_);
  }

 private:
  const std::string& fileName_;
  MappedPlate map_;
  std::vector<std::string> named_;
  std::array<bool, kMappedWells> conditionGiven_{};
};

// "A01", "A1" or "a1" as a well of the 96-well plate.
std::optional<int> MapWellIndex(const std::string& text) {
  if (text.size() < 2 || text.size() > 3) return std::nullopt;
  const char row = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  int column = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    column = column * 10 + (text[i] - '0');
  }
  if (row < 'A' || row > 'H' || column < 1 || column > kColumns) return std::nullopt;
  return (row - 'A') * kColumns + column - 1;
}

void ReadTidy(const std::vector<Line>& lines, std::size_t headerAt, MapBuilder& builder) {
  const Line& header = lines[headerAt];
  std::vector<int> variables;
  for (std::size_t c = 1; c < header.cells.size(); ++c) {
    variables.push_back(builder.addVariable(header.cells[c], header.number));
  }
  std::array<int, kMappedWells> namedOn{};
  for (std::size_t i = headerAt + 1; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.cells.empty()) continue;
    const std::optional<int> well = MapWellIndex(line.cells[0]);
    if (!well) {
      builder.fail(line.number, "'" + line.cells[0] + "' is not a well of a 96-well plate");
    }
    if (namedOn[*well] != 0) {
      builder.fail(line.number, "well '" + line.cells[0] + "' is named twice (first on line " +
                                    std::to_string(namedOn[*well]) + ")");
    }
    namedOn[*well] = line.number;
    if (line.cells.size() > variables.size() + 1) {
      builder.fail(line.number, "'" + line.cells[variables.size() + 1] +
                                    "' stands beyond the last named column");
    }
    for (std::size_t c = 1; c < line.cells.size(); ++c) {
      builder.set(variables[c - 1], *well, line.cells[c], line.number);
    }
  }
}

void ReadBlocks(const std::vector<Line>& lines, std::size_t from, MapBuilder& builder) {
  std::size_t i = from;
  while (i < lines.size()) {
    if (lines[i].cells.empty()) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < lines.size() && !lines[end].cells.empty()) ++end;
    const Line& header = lines[i];
    const std::string& name = header.cells[0];
    std::size_t width = 0;
    for (const Line* line = &header; line != lines.data() + end; ++line) {
      width = std::max(width, line->cells.size());
    }
    const std::size_t rows = end - i - 1;
    if (rows != kRows || width > kColumns + 1 || header.cells.size() != kColumns + 1) {
      const int at = rows != kRows ? lines[std::min(end, lines.size()) - 1].number : header.number;
      builder.fail(at, "the block '" + name + "' is " + std::to_string(rows) + " rows by " +
                           std::to_string(std::max(width, std::size_t{1}) - 1) +
                           " columns; a block is 8 rows (A-H) by 12 columns (1-12)");
    }
    for (int c = 1; c <= kColumns; ++c) {
      if (header.cells[c] != std::to_string(c)) {
        builder.fail(header.number, "column header '" + header.cells[c] + "' of block '" + name +
                                        "' is not " + std::to_string(c) +
                                        "; the columns are numbered 1-12");
      }
    }
    const int variable = builder.addVariable(name, header.number);
    for (int r = 0; r < kRows; ++r) {
      const Line& line = lines[i + 1 + r];
      const std::string label = line.cells[0];
      if (label.size() != 1 || std::toupper(static_cast<unsigned char>(label[0])) != 'A' + r) {
        builder.fail(line.number, "row '" + label + "' of block '" + name + "' is not row " +
                                      std::string(1, static_cast<char>('A' + r)) +
                                      " of a 96-well plate (rows A-H in order)");
      }
      for (std::size_t c = 1; c < line.cells.size(); ++c) {
        builder.set(variable, r * kColumns + static_cast<int>(c) - 1, line.cells[c], line.number);
      }
    }
    i = end;
  }
}

}  // namespace

const char* WellRoleWord(WellRole role) {
  static const char* const kWords[] = {"negative_control", "positive_control", "sample", "empty"};
  return kWords[static_cast<int>(role)];
}

bool MappedPlate::hasControls() const {
  return std::any_of(wells.begin(), wells.end(), [](const MappedWell& well) {
    return well.role == WellRole::NegativeControl || well.role == WellRole::PositiveControl;
  });
}

MappedPlate ParsePlateMap(std::string_view text, const std::string& fileName) {
  const std::vector<Line> lines = MapLines(text);
  MapBuilder builder(fileName);
  std::size_t first = 0;
  while (first < lines.size() && lines[first].cells.empty()) ++first;
  const int lastLine = lines.empty() ? 1 : lines.back().number;
  const bool tidy = first < lines.size() && Lower(lines[first].cells[0]) == "well";
  if (first < lines.size()) {
    if (tidy) {
      ReadTidy(lines, first, builder);
    } else {
      ReadBlocks(lines, first, builder);
    }
  }
  MappedPlate map = builder.finish(lastLine);
  map.file = fileName;
  map.form = tidy ? "tidy" : "plate";
  return map;
}

MappedPlate ReadPlateMap(const std::string& path) {
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const Error& e) {
    throw UsageError(std::string("Plate map: ") + e.what());
  }
  MappedPlate map = ParsePlateMap(bytes, path);
  map.fingerprint = FingerprintText(FingerprintOf(bytes.data(), bytes.size()).xxh3);
  return map;
}

std::vector<int> UnmappedWells(const MappedPlate& map, const Plate& plate) {
  std::vector<int> wells;
  for (int well = 0; well < kMappedWells; ++well) {
    if (plate.wells[well].state == 1 && !map.wells[well].mapped) wells.push_back(well);
  }
  return wells;
}

std::string UnmappedWellsNote(const MappedPlate& map, const Plate& plate) {
  if (plate.format.wellCount() != kMappedWells) {
    throw UsageError("The plate map '" + map.file + "' describes a 96-well plate; the plate is a " +
                     plate.format.description());
  }
  const std::vector<int> wells = UnmappedWells(map, plate);
  if (wells.empty()) return "";
  std::string note = "the plate map '" + map.file + "' leaves out " + std::to_string(wells.size()) +
                     (wells.size() == 1 ? " well" : " wells") + " of the plate:";
  for (std::size_t i = 0; i < wells.size(); ++i) note += (i ? ", " : " ") + WellName(wells[i]);
  return note;
}

}  // namespace vembrel
