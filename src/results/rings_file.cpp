#include "results/rings_file.h"

#include <charconv>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string_view>
#include <vector>

#include "core/date_text.h"
#include "core/error.h"
#include "core/text_file.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

constexpr std::string_view kHeader = "well,x,y,radius,source,time";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t comma = line.find(',');
    fields.push_back(Trimmed(line.substr(0, comma)));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

bool IsIsoTime(std::string_view text) {
  static const std::regex kIso(
      R"(\d{4}-\d{2}-\d{2}(T\d{2}:\d{2}(:\d{2}(\.\d+)?)?(Z|[+-]\d{2}(:?\d{2})?)?)?)");
  return std::regex_match(text.begin(), text.end(), kIso);
}

}  // namespace

const char* RingSourceName(RingSource source) {
  return source == RingSource::Reviewed ? "reviewed" : "fitted";
}

std::optional<Ring> RingsFile::reviewed(int well) const {
  const auto& entry = wells.at(well);
  if (entry && entry->source == RingSource::Reviewed) return entry->ring;
  return std::nullopt;
}

int RingsFile::reviewedCount() const {
  int count = 0;
  for (int well = 0; well < format.wellCount(); ++well) count += reviewed(well) ? 1 : 0;
  return count;
}

std::string RingsFileName(const std::string& resultsFolder, const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel_rings.csv";
}

RingsFile ReadRingsFile(const std::string& path, const PlateFormat& format) {
  std::string text;
  try {
    text = ReadWholeFile(path);
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
  RingsFile rings(path, format);
  std::vector<int> firstLine(static_cast<std::size_t>(format.wellCount()), 0);
  const std::vector<std::string> lines = SplitLines(text);
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int lineNumber = static_cast<int>(index) + 1;
    const auto fail = [&](const std::string& what) {
      throw UsageError("Rings file '" + path + "', line " + std::to_string(lineNumber) + ": " +
                       what);
    };
    const std::string_view line = Trimmed(lines[index]);
    if (index == 0) {
      if (line != kHeader) {
        fail("the header '" + std::string(line) + "' is not '" + std::string(kHeader) + "'");
      }
      continue;
    }
    if (line.empty()) continue;
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() != 6) {
      fail(std::to_string(fields.size()) + " values in '" + std::string(line) + "'; expected 6 (" +
           std::string(kHeader) + ")");
    }
    const std::optional<int> well = WellIndexIfAny(fields[0], format);
    if (!well) {
      fail("'" + std::string(fields[0]) + "' is no well of the plate (A01.." +
           WellName(format.wellCount() - 1, format) + ")");
    }
    if (firstLine[*well] != 0) {
      fail("well " + WellName(*well, format) + " is listed again (first on line " +
           std::to_string(firstLine[*well]) + ")");
    }
    firstLine[*well] = lineNumber;
    const auto number = [&](std::string_view name, std::string_view field) {
      int value = 0;
      const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
      if (field.empty() || error != std::errc() || end != field.data() + field.size()) {
        fail(std::string(name) + " '" + std::string(field) + "' is not a whole number");
      }
      return value;
    };
    RingEntry entry;
    entry.ring = {number("x", fields[1]), number("y", fields[2]), number("radius", fields[3])};
    if (const std::string problem = RingPlacementProblem(entry.ring); !problem.empty()) {
      fail("well " + WellName(*well, format) + ": " + problem);
    }
    if (fields[4] == "reviewed") {
      entry.source = RingSource::Reviewed;
    } else if (fields[4] == "fitted") {
      entry.source = RingSource::Fitted;
    } else {
      fail("source '" + std::string(fields[4]) + "' is neither 'reviewed' nor 'fitted'");
    }
    if (!IsIsoTime(fields[5])) fail("time '" + std::string(fields[5]) + "' is no ISO 8601 time");
    entry.time = std::string(fields[5]);
    rings.wells[*well] = std::move(entry);
  }
  if (lines.empty()) {
    throw UsageError("Rings file '" + path + "', line 1: the file is empty; expected the header '" +
                     std::string(kHeader) + "'");
  }
  return rings;
}

std::string RingsFileText(const RingsFile& rings) {
  std::string text(kHeader);
  text += '\n';
  for (int well = 0; well < rings.format.wellCount(); ++well) {
    const auto& entry = rings.wells[well];
    if (!entry) continue;
    text += WellName(well, rings.format) + ',' + std::to_string(entry->ring.x) + ',' +
            std::to_string(entry->ring.y) + ',' + std::to_string(entry->ring.radius) + ',' +
            RingSourceName(entry->source) + ',' + entry->time + '\n';
  }
  return text;
}

void WriteRingsFile(const RingsFile& rings) {
  WriteFileAtomically(rings.path, RingsFileText(rings));
}

void SaveRing(const std::string& path, int well, const Ring& ring, RingSource source,
              const PlateFormat& format) {
  if (const std::string problem = RingPlacementProblem(ring); !problem.empty()) {
    throw Error("Well " + WellName(well, format) + ": " + problem);
  }
  std::error_code missing;
  RingsFile rings = std::filesystem::exists(path, missing) ? ReadRingsFile(path, format)
                                                           : RingsFile(path, format);
  rings.path = path;
  rings.wells.at(well) = RingEntry{ring, source, IsoDateTimeText(std::time(nullptr))};
  WriteRingsFile(rings);
}

}  // namespace vembrel
