#include "results/plate_map.h"

#include <algorithm>
#include <cctype>
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

// Tidy maps are read onto the largest plate, then put on the plate of
// their wells.
const PlateFormat kLargestPlate = PlateFormat::All().back();

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
  MapBuilder(const std::string& fileName, const PlateFormat& format) : fileName_(fileName) {
    setFormat(format);
  }

  [[noreturn]] void fail(int line, const std::string& what) const {
    throw UsageError("Plate map '" + fileName_ + "', line " + std::to_string(line) + ": " + what);
  }

  // The plate the map is read onto; before any well is set.
  void setFormat(const PlateFormat& format) {
    map_.format = format;
    map_.wells.assign(static_cast<std::size_t>(format.wellCount()), MappedWell{});
    conditionGiven_.assign(map_.wells.size(), false);
  }
  const PlateFormat& format() const { return map_.format; }

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

  void set(int variable, WellKey key, const std::string& value, int line) {
    if (value.empty()) return;
    const int well = map_.format.indexOf(key);
    MappedWell& target = map_.wells[well];
    target.mapped = true;
    const std::string wellName = WellName(key);
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
    for (std::size_t well = 0; well < map_.wells.size(); ++well) {
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
  std::vector<bool> conditionGiven_;
};

// The map's wells placed on a plate of another format that holds them.
std::vector<MappedWell> WellsOnPlate(const MappedPlate& map, const PlateFormat& plate) {
  MappedWell blank;
  blank.others.resize(map.otherVariables.size());
  std::vector<MappedWell> wells(static_cast<std::size_t>(plate.wellCount()), blank);
  for (int well = 0; well < map.format.wellCount(); ++well) {
    const WellKey key = map.format.keyOf(well);
    if (plate.holds(key)) wells[plate.indexOf(key)] = map.wells[well];
  }
  return wells;
}

// "A01", "A1", "a1", "P24" or "AF48": one or two row letters, then the
// column in one or two digits; nothing for other text.
std::optional<WellKey> MapWellKey(const std::string& text) {
  std::size_t letters = 0;
  while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters]))) {
    ++letters;
  }
  const std::optional<int> row = RowOfLetters(std::string_view(text).substr(0, letters));
  const std::size_t digits = text.size() - letters;
  if (!row || digits < 1 || digits > 2) return std::nullopt;
  int column = 0;
  for (std::size_t i = letters; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    column = column * 10 + (text[i] - '0');
  }
  if (column < 1) return std::nullopt;
  return WellKey{*row, column - 1};
}

// Reads the rows of a tidy map onto the largest plate; returns the largest
// row and column named.
WellKey ReadTidy(const std::vector<Line>& lines, std::size_t headerAt, MapBuilder& builder) {
  const Line& header = lines[headerAt];
  std::vector<int> variables;
  for (std::size_t c = 1; c < header.cells.size(); ++c) {
    variables.push_back(builder.addVariable(header.cells[c], header.number));
  }
  std::vector<int> namedOn(static_cast<std::size_t>(kLargestPlate.wellCount()), 0);
  WellKey largest;
  for (std::size_t i = headerAt + 1; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.cells.empty()) continue;
    const std::optional<WellKey> key = MapWellKey(line.cells[0]);
    if (!key || !kLargestPlate.holds(*key)) {
      builder.fail(line.number, "'" + line.cells[0] + "' is not a well of a plate (A01 to " +
                                    WellName(kLargestPlate.keyOf(kLargestPlate.wellCount() - 1)) +
                                    ")");
    }
    const int well = kLargestPlate.indexOf(*key);
    if (namedOn[well] != 0) {
      builder.fail(line.number, "well '" + line.cells[0] + "' is named twice (first on line " +
                                    std::to_string(namedOn[well]) + ")");
    }
    namedOn[well] = line.number;
    largest = {std::max(largest.row, key->row), std::max(largest.column, key->column)};
    if (line.cells.size() > variables.size() + 1) {
      builder.fail(line.number, "'" + line.cells[variables.size() + 1] +
                                    "' stands beyond the last named column");
    }
    for (std::size_t c = 1; c < line.cells.size(); ++c) {
      builder.set(variables[c - 1], *key, line.cells[c], line.number);
    }
  }
  return largest;
}

// "8 rows (A-H) by 12 columns (1-12)".
std::string BlockShape(const PlateFormat& format) {
  return std::to_string(format.rows()) + " rows (A-" + RowName(format.rows() - 1) + ") by " +
         std::to_string(format.columns()) + " columns (1-" + std::to_string(format.columns()) + ")";
}

// The plate of a first block's rows and header's columns, if any.
std::optional<PlateFormat> FormatOfShape(std::size_t rows, std::size_t columns) {
  for (const PlateFormat& format : PlateFormat::All()) {
    if (static_cast<std::size_t>(format.rows()) == rows &&
        static_cast<std::size_t>(format.columns()) == columns)
      return format;
  }
  return std::nullopt;
}

bool AnyFormatHasColumns(std::size_t columns) {
  const std::vector<PlateFormat> formats = PlateFormat::All();
  return std::any_of(formats.begin(), formats.end(), [columns](const PlateFormat& format) {
    return static_cast<std::size_t>(format.columns()) == columns;
  });
}

void ReadBlocks(const std::vector<Line>& lines, std::size_t from, MapBuilder& builder) {
  std::optional<PlateFormat> plate;  // of the first block
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
    const std::size_t headed = header.cells.size() - 1;
    const bool first = !plate;
    if (first && width <= headed + 1) plate = FormatOfShape(rows, headed);
    if (!plate || static_cast<std::size_t>(plate->rows()) != rows ||
        static_cast<std::size_t>(plate->columns()) != headed || width > headed + 1) {
      // Said at the header when the columns are wrong, else at the block's end.
      const bool columnsWrong =
          width > headed + 1 || (plate ? static_cast<std::size_t>(plate->columns()) != headed
                                       : !AnyFormatHasColumns(headed));
      std::string expected;
      if (first) {
        for (const PlateFormat& format : PlateFormat::All()) {
          expected += (expected.empty() ? "" : ", ") + std::to_string(format.rows()) + " x " +
                      std::to_string(format.columns());
        }
        expected = "a block is a plate's rows by its columns (" + expected + ")";
      } else {
        expected = "a block is " + BlockShape(*plate) + ", as the first";
      }
      builder.fail(columnsWrong ? header.number : lines[end - 1].number,
                   "the block '" + name + "' is " + std::to_string(rows) + " rows by " +
                       std::to_string(std::max(width, std::size_t{1}) - 1) + " columns; " +
                       expected);
    }
    if (first) builder.setFormat(*plate);
    const int columns = plate->columns();
    for (int c = 1; c <= columns; ++c) {
      if (header.cells[c] != std::to_string(c)) {
        builder.fail(header.number, "column header '" + header.cells[c] + "' of block '" + name +
                                        "' is not " + std::to_string(c) +
                                        "; the columns are numbered 1-" + std::to_string(columns));
      }
    }
    const int variable = builder.addVariable(name, header.number);
    for (int r = 0; r < plate->rows(); ++r) {
      const Line& line = lines[i + 1 + r];
      const std::string label = line.cells[0];
      if (RowOfLetters(label) != r) {
        builder.fail(line.number, "row '" + label + "' of block '" + name + "' is not row " +
                                      RowName(r) + " of a " + std::to_string(plate->wellCount()) +
                                      "-well plate (rows A-" + RowName(plate->rows() - 1) +
                                      " in order)");
      }
      for (std::size_t c = 1; c < line.cells.size(); ++c) {
        builder.set(variable, {r, static_cast<int>(c) - 1}, line.cells[c], line.number);
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
  MapBuilder builder(fileName, kLargestPlate);
  std::size_t first = 0;
  while (first < lines.size() && lines[first].cells.empty()) ++first;
  const int lastLine = lines.empty() ? 1 : lines.back().number;
  const bool tidy = first < lines.size() && Lower(lines[first].cells[0]) == "well";
  WellKey largest;
  if (first < lines.size()) {
    if (tidy) {
      largest = ReadTidy(lines, first, builder);
    } else {
      ReadBlocks(lines, first, builder);
    }
  }
  MappedPlate map = builder.finish(lastLine);
  if (tidy) {
    const PlateFormat plate = PlateFormat::Holding(largest).value_or(kLargestPlate);
    map.wells = WellsOnPlate(map, plate);
    map.format = plate;
  }
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

MappedPlate MapOnPlate(MappedPlate map, const PlateFormat& plate) {
  if (map.format == plate) return map;
  if (map.form == "tidy") {
    for (int well = 0; well < map.format.wellCount(); ++well) {
      const WellKey key = map.format.keyOf(well);
      if (map.wells[well].mapped && !plate.holds(key)) {
        throw UsageError("The plate map '" + map.file + "' names well " + WellName(key) + " of a " +
                         map.format.description() + "; the plate is a " + plate.description());
      }
    }
    map.wells = WellsOnPlate(map, plate);
    map.format = plate;
    return map;
  }
  throw UsageError("The plate map '" + map.file + "' describes a " + map.format.description() +
                   "; the plate is a " + plate.description());
}

std::vector<int> UnmappedWells(const MappedPlate& map, const Plate& plate) {
  std::vector<int> wells;
  for (int well = 0; well < plate.format.wellCount(); ++well) {
    const WellKey key = plate.format.keyOf(well);
    const bool mapped = map.format.holds(key) && map.wells[map.format.indexOf(key)].mapped;
    if (plate.wells[well].state == 1 && !mapped) wells.push_back(well);
  }
  return wells;
}

std::string UnmappedWellsNote(const MappedPlate& map, const Plate& plate) {
  const std::vector<int> wells = UnmappedWells(map, plate);
  if (wells.empty()) return "";
  std::string note = "the plate map '" + map.file + "' leaves out " + std::to_string(wells.size()) +
                     (wells.size() == 1 ? " well" : " wells") + " of the plate:";
  for (std::size_t i = 0; i < wells.size(); ++i) {
    note += (i ? ", " : " ") + WellName(wells[i], plate.format);
  }
  return note;
}

}  // namespace vembrel
