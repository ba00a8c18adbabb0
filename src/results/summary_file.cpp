#include "results/summary_file.h"

#include <algorithm>

#include "core/text_file.h"
#include "plate/settings_header.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

// A well's value as its grid shows it: "" for a well without results.
using WellValue = std::int64_t (*)(const WellResults&);

TableValue ValueCell(const PlateResults& results, int well, WellValue value) {
  const auto& r = results.wells[well];
  return r ? TableValue(value(*r)) : TableValue();
}

// The column numbers above a grid, each in a pair of cells when the grid
// gives two values per well: "\t1\t2...\t12\t" or "\t\t1\t\t2...\t\t12\t".
CellLine NumberLine(std::size_t count, bool pairs) {
  CellLine line{std::string()};
  for (std::size_t c = 1; c <= count; ++c) {
    if (pairs) line.emplace_back(std::string());
    line.emplace_back(static_cast<std::int64_t>(c));
  }
  line.emplace_back(std::string());
  return line;
}

void AppendValueGrid(std::vector<CellLine>& lines, const char* title, const PlateResults& results,
                     WellValue value) {
  lines.emplace_back();
  lines.emplace_back();
  lines.push_back({std::string(title)});
  const PlateFormat& format = results.format;
  lines.push_back(NumberLine(static_cast<std::size_t>(format.columns()), false));
  for (int r = 0; r < format.rows(); ++r) {
    CellLine line{RowName(r)};
    for (int c = 0; c < format.columns(); ++c)
      line.push_back(ValueCell(results, format.indexOf({r, c}), value));
    line.emplace_back(std::string());
    lines.push_back(std::move(line));
  }
}

void AppendDensityPart(std::vector<CellLine>& lines, const PlateResults& results) {
  lines.emplace_back();
  lines.emplace_back();
  lines.push_back({std::string("Density of cells")});
  lines.push_back({std::string("Radii")});
  CellLine radii;
  for (const int radius : results.radii) radii.emplace_back(std::int64_t{radius});
  radii.emplace_back(std::string());
  lines.push_back(std::move(radii));
  lines.emplace_back();

  std::size_t widest = 0;
  for (const auto& well : results.wells) {
    if (well) widest = std::max(widest, well->density.size());
  }
  lines.push_back(NumberLine(widest, true));
  CellLine captions{std::string()};
  for (std::size_t i = 1; i <= widest; ++i) {
    captions.emplace_back(std::string("cells"));
    captions.emplace_back(std::string("Area"));
  }
  captions.emplace_back(std::string());
  lines.push_back(std::move(captions));
  for (int w = 0; w < results.format.wellCount(); ++w) {
    CellLine line{WellName(w, results.format)};
    if (const auto& well = results.wells[w]) {
      for (const DensityBin& bin : well->density) {
        line.emplace_back(std::int64_t{bin.nuclei});
        line.emplace_back(std::int64_t{bin.area});
      }
    }
    line.emplace_back(std::string());
    lines.push_back(std::move(line));
  }
  lines.emplace_back();
}

}  // namespace

std::string SummaryFileName(const std::string& resultsFolder, const std::string& platePrefix) {
  return resultsFolder + platePrefix + "Vembrel.csv";
}

bool FindSpecialSettings(const WellSettingsRow& row, const WellSettingsRow& snapshot,
                         SpecialSettingsKind& kind) {
  bool nucleus = false;
  bool cell = false;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i] == snapshot[i]) continue;
    (static_cast<int>(i) < kNuclearColumns ? nucleus : cell) = true;
  }
  if (nucleus && cell) {
    kind = SpecialSettingsKind::Both;
  } else if (nucleus) {
    kind = SpecialSettingsKind::Nucleus;
  } else if (cell) {
    kind = SpecialSettingsKind::CellShape;
  }
  return nucleus || cell;
}

std::vector<CellLine> SummaryHeaderLines(const AnalysisSettings& settings, double measurementDate,
                                         const std::string& platePath,
                                         const std::string& platePrefix, double today) {
  std::vector<CellLine> lines{{}};
  for (auto& line : SettingsHeaderLines(settings, measurementDate, platePath, platePrefix, today)) {
    lines.push_back(std::move(line));
  }
  lines.emplace_back();
  lines.emplace_back();
  return lines;
}

std::vector<CellLine> SpecialSettingsLines(const std::string& well, SpecialSettingsKind kind,
                                           const WellSettingsRow& row) {
  const char* what = kind == SpecialSettingsKind::Nucleus ? " has special settings for the nucleus:"
                     : kind == SpecialSettingsKind::CellShape
                         ? " has special settings for the cell shape:"
                         : " has special settings for both the nucleus and the cell shape:";
  std::vector<CellLine> lines{{well + what}};
  for (CellLine& line : SettingsBlockLines(row)) lines.push_back(std::move(line));
  lines.emplace_back();
  lines.emplace_back();
  return lines;
}

std::vector<CellLine> SummaryResultLines(const PlateResults& results) {
  const PlateFormat& format = results.format;
  std::vector<CellLine> lines{{std::string("All X & Y coordinates")}};
  lines.push_back(NumberLine(static_cast<std::size_t>(format.columns()), true));
  CellLine captions{std::string()};
  for (int c = 1; c <= format.columns(); ++c) {
    captions.emplace_back(std::string("X"));
    captions.emplace_back(std::string("Y"));
  }
  captions.emplace_back(std::string());
  lines.push_back(std::move(captions));
  for (int r = 0; r < format.rows(); ++r) {
    CellLine line{RowName(r)};
    for (int c = 0; c < format.columns(); ++c) {
      const int well = format.indexOf({r, c});
      line.push_back(
          ValueCell(results, well, [](const WellResults& w) -> std::int64_t { return w.ring.x; }));
      line.push_back(
          ValueCell(results, well, [](const WellResults& w) -> std::int64_t { return w.ring.y; }));
    }
    line.emplace_back(std::string());
    lines.push_back(std::move(line));
  }
  // "Numer of Cells" is the title users' spreadsheets look for; keep it as is.
  AppendValueGrid(lines, "Numer of Cells", results, [](const WellResults& w) { return w.nuclei; });
  AppendValueGrid(lines, "Average distance", results,
                  [](const WellResults& w) { return w.averageDistance; });
  AppendValueGrid(lines, "Average Nuclear Size", results,
                  [](const WellResults& w) { return w.averageNucleusSize; });
  AppendValueGrid(lines, "Total nuclear Area", results,
                  [](const WellResults& w) { return w.pixels; });
  AppendValueGrid(lines, "Calculated Number of Nuclei", results,
                  [](const WellResults& w) { return w.calculatedNuclei; });
  AppendValueGrid(lines, "Total number of cells", results,
                  [](const WellResults& w) { return w.totalNuclei; });
  AppendDensityPart(lines, results);
  return lines;
}

void WriteSummaryFile(const std::string& path, const std::vector<CellLine>& headerLines,
                      const std::vector<CellLine>& resultLines) {
  AtomicTextFile file(path);
  for (const CellLine& line : headerLines) file.line(CellLineText(line));
  for (const CellLine& line : resultLines) file.line(CellLineText(line));
  file.commit();
}

}  // namespace vembrel
