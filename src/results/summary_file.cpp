#include "results/summary_file.h"

#include <algorithm>

#include "core/text_file.h"
#include "plate/settings_header.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

// A well's value as its grid shows it: "" for a well without results.
using WellValue = std::int64_t (*)(const WellResults&);

std::string ValueText(const PlateResults& results, int well, WellValue value) {
  const auto& r = results.wells[well];
  return r ? std::to_string(value(*r)) : std::string();
}

void AppendValueGrid(std::vector<std::string>& lines, const char* title,
                     const PlateResults& results, WellValue value) {
  lines.emplace_back();
  lines.emplace_back();
  lines.emplace_back(title);
  const PlateFormat& format = results.format;
  std::string numbers = "\t";
  for (int c = 1; c <= format.columns(); ++c) numbers += std::to_string(c) + "\t";
  lines.push_back(std::move(numbers));
  for (int r = 0; r < format.rows(); ++r) {
    std::string line = RowName(r);
    line += '\t';
    for (int c = 0; c < format.columns(); ++c)
      line += ValueText(results, format.indexOf({r, c}), value) + "\t";
    lines.push_back(std::move(line));
  }
}

void AppendDensityPart(std::vector<std::string>& lines, const PlateResults& results) {
  lines.emplace_back();
  lines.emplace_back();
  lines.emplace_back("Density of cells");
  lines.emplace_back("Radii");
  std::string radii;
  for (const int radius : results.radii) radii += std::to_string(radius) + "\t";
  lines.push_back(std::move(radii));
  lines.emplace_back();

  std::size_t widest = 0;
  for (const auto& well : results.wells) {
    if (well) widest = std::max(widest, well->density.size());
  }
  std::string numbers = "\t";
  std::string captions = "\t";
  for (std::size_t i = 1; i <= widest; ++i) {
    numbers += "\t" + std::to_string(i) + "\t";
    captions += "cells\tArea\t";
  }
  lines.push_back(std::move(numbers));
  lines.push_back(std::move(captions));
  for (int w = 0; w < results.format.wellCount(); ++w) {
    std::string line = WellName(w, results.format) + "\t";
    if (const auto& well = results.wells[w]) {
      for (const DensityBin& bin : well->density) {
        line += std::to_string(bin.nuclei) + "\t" + std::to_string(bin.area) + "\t";
      }
    }
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

std::vector<std::string> SummaryHeaderLines(const AnalysisSettings& settings,
                                            double measurementDate, const std::string& platePath,
                                            const std::string& platePrefix, double today) {
  std::vector<std::string> lines{""};
  for (auto& line : SettingsHeaderLines(settings, measurementDate, platePath, platePrefix, today)) {
    lines.push_back(std::move(line));
  }
  lines.emplace_back();
  lines.emplace_back();
  return lines;
}

std::vector<std::string> SpecialSettingsLines(const std::string& well, SpecialSettingsKind kind,
                                              const WellSettingsRow& row) {
  const char* what = kind == SpecialSettingsKind::Nucleus ? " has special settings for the nucleus:"
                     : kind == SpecialSettingsKind::CellShape
                         ? " has special settings for the cell shape:"
                         : " has special settings for both the nucleus and the cell shape:";
  std::vector<std::string> lines{well + what};
  for (std::string& line : SettingsBlockLines(row)) lines.push_back(std::move(line));
  lines.emplace_back();
  lines.emplace_back();
  return lines;
}

std::vector<std::string> SummaryResultLines(const PlateResults& results) {
  const PlateFormat& format = results.format;
  std::vector<std::string> lines{"All X & Y coordinates"};
  std::string numbers = "\t";
  std::string captions = "\t";
  for (int c = 1; c <= format.columns(); ++c) {
    numbers += "\t" + std::to_string(c) + "\t";
    captions += "X\tY\t";
  }
  lines.push_back(std::move(numbers));
  lines.push_back(std::move(captions));
  for (int r = 0; r < format.rows(); ++r) {
    std::string line = RowName(r);
    line += '\t';
    for (int c = 0; c < format.columns(); ++c) {
      const int well = format.indexOf({r, c});
      line +=
          ValueText(results, well, [](const WellResults& w) -> std::int64_t { return w.ring.x; }) +
          "\t" +
          ValueText(results, well, [](const WellResults& w) -> std::int64_t { return w.ring.y; }) +
          "\t";
    }
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

void WriteSummaryFile(const std::string& path, const std::vector<std::string>& headerLines,
                      const std::vector<std::string>& resultLines) {
  AtomicTextFile file(path);
  for (const std::string& line : headerLines) file.line(line);
  for (const std::string& line : resultLines) file.line(line);
  file.commit();
}

}  // namespace vembrel
