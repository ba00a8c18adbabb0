#include "results/summary_file.h"

#include <algorithm>

#include "core/text_file.h"
#include "plate/settings_header.h"
#include "plate/well_names.h"

namespace vembrel {
namespace {

constexpr int kRows = 8;
constexpr int kColumns = 12;

char RowLetter(int row) {
  return static_cast<char>('A' + row);
}

// Radii and density texts are numbers the spreadsheet should read with ",".
std::string WithCommas(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

void AppendValueGrid(std::vector<std::string>& lines, const char* title, const ProgramState& state,
                     std::string WellResultTexts::*value) {
  lines.emplace_back();
  lines.emplace_back();
  lines.emplace_back(title);
  std::string numbers = "\t";
  for (int c = 1; c <= kColumns; ++c) numbers += std::to_string(c) + "\t";
  lines.push_back(std::move(numbers));
  for (int r = 0; r < kRows; ++r) {
    std::string line(1, RowLetter(r));
    line += '\t';
    for (int c = 1; c <= kColumns; ++c) line += state.results[r * kColumns + c - 1].*value + "\t";
    lines.push_back(std::move(line));
  }
}

void AppendDensityPart(std::vector<std::string>& lines, const ProgramState& state) {
  lines.emplace_back();
  lines.emplace_back();
  lines.emplace_back("Density of cells");
  lines.emplace_back("Radii");
  std::string radii;
  for (const std::string& label : state.RadiiLabels) radii += WithCommas(label) + "\t";
  lines.push_back(std::move(radii));
  lines.emplace_back();

  std::size_t widest = 0;
  for (const auto& table : state.DensityTable) widest = std::max(widest, table.size());
  std::string numbers = "\t";
  std::string captions = "\t";
  for (std::size_t i = 1; i <= widest; ++i) {
    numbers += "\t" + std::to_string(i) + "\t";
    captions += "cells\tArea\t";
  }
  lines.push_back(std::move(numbers));
  lines.push_back(std::move(captions));
  for (int w = 0; w < kWellCount; ++w) {
    std::string line = WellName(w) + "\t";
    for (const DensityRow& row : state.DensityTable[w]) {
      line += WithCommas(row.cells) + "\t" + WithCommas(row.area) + "\t";
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
  for (auto& line : SettingsHeader(settings, measurementDate, platePath, platePrefix, today)) {
    lines.push_back(std::move(line));
  }
  lines.emplace_back();
  lines.emplace_back();
  return lines;
}

std::vector<std::string> SpecialSettingsLines(const std::string& caption, SpecialSettingsKind kind,
                                              const WellSettingsRow& row) {
  const char* what = kind == SpecialSettingsKind::Nucleus ? " has special settings for the nucleus:"
                     : kind == SpecialSettingsKind::CellShape
                         ? " has special settings for the cell shape:"
                         : " has special settings for both the nucleus and the cell shape:";
  std::vector<std::string> lines{caption + what};
  for (std::string& line : SettingsBlockLines(row)) lines.push_back(std::move(line));
  lines.emplace_back();
  lines.emplace_back();
  return lines;
}

std::vector<std::string> SummaryResultLines(const ProgramState& state) {
  std::vector<std::string> lines{"All X & Y coordinates"};
  std::string numbers = "\t";
  std::string captions = "\t";
  for (int c = 1; c <= kColumns; ++c) {
    numbers += "\t" + std::to_string(c) + "\t";
    captions += "X\tY\t";
  }
  lines.push_back(std::move(numbers));
  lines.push_back(std::move(captions));
  for (int r = 0; r < kRows; ++r) {
    std::string line(1, RowLetter(r));
    line += '\t';
    for (int c = 1; c <= kColumns; ++c) {
      const WellResultTexts& texts = state.results[r * kColumns + c - 1];
      line += texts.ResultRingX + "\t" + texts.ResultRingY + "\t";
    }
    lines.push_back(std::move(line));
  }
  // "Numer of Cells" is the title users' spreadsheets look for; keep it as is.
  AppendValueGrid(lines, "Numer of Cells", state, &WellResultTexts::ResultNuclei);
  AppendValueGrid(lines, "Average distance", state, &WellResultTexts::ResultAvgDistance);
  AppendValueGrid(lines, "Average Nuclear Size", state, &WellResultTexts::ResultAvgNucleusSize);
  AppendValueGrid(lines, "Total nuclear Area", state, &WellResultTexts::ResultNuclearArea);
  AppendValueGrid(lines, "Calculated Number of Nuclei", state, &WellResultTexts::ResultCalcNuclei);
  AppendValueGrid(lines, "Total number of cells", state, &WellResultTexts::ResultTotalNuclei);
  AppendDensityPart(lines, state);
  return lines;
}

void WriteSummaryHeader(const std::string& path, const std::vector<std::string>& lines) {
  AtomicTextFile file(path);
  for (const std::string& line : lines) file.line(line);
  file.commit();
}

void writetherest(const std::string& path, const ProgramState& state) {
  AtomicTextFile file = AtomicTextFile::ForAppend(path);
  for (const std::string& line : SummaryResultLines(state)) file.line(line);
  file.commit();
}

}  // namespace vembrel
