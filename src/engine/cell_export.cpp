#include "engine/cell_export.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/error.h"

namespace vembrel {
namespace {

constexpr std::string_view kCsv = ".csv";

void WriteTemporaryFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw Error("Unable to create file '" + path + "': " + std::strerror(errno));
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  if (!out) throw Error("Unable to write file '" + path + "'");
}

}  // namespace

std::string CellDataFileName(const std::string& resultsFolder, const std::string& platePrefix,
                             const std::string& well) {
  return resultsFolder + "CellShape/" + platePrefix + well + "_Cell_Data_VL.csv";
}

std::string CellSnapshotFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well) {
  return resultsFolder + "CellJPEGS/" + platePrefix + well + ".jpg";
}

std::string TemporaryCellFileName(const std::string& dataFileName) {
  if (dataFileName.size() >= kCsv.size() &&
      dataFileName.compare(dataFileName.size() - kCsv.size(), kCsv.size(), kCsv) == 0) {
    return dataFileName.substr(0, dataFileName.size() - kCsv.size()) + ".tem";
  }
  return dataFileName + ".tem";
}

std::vector<std::string> CellDataHeader(const std::string& well,
                                        const std::vector<std::string>& settingsHeader,
                                        const CellSettingsTexts& texts) {
  std::vector<std::string> lines = {"Data of Cells from well " + well, ""};
  lines.insert(lines.end(), settingsHeader.begin(), settingsHeader.end());
  lines.insert(lines.end(),
               {"", "Settings Cells", "Cut off Green channel:\t" + texts.cutoff,
                "Minimum size of cells\t" + texts.minSize,
                "Maximum size of cells\t" + texts.maxSize, "Shape ratio long/round\t" + texts.ratio,
                "Shape coeff rough/smooth\t" + texts.smoothness, "", ""});
  return lines;
}

void AppendCellTables(AtomicTextFile& file, const ShapeAnalysis& analysis) {
  const std::string temporary = TemporaryCellFileName(file.path());
  std::string cellLines;
  for (std::size_t i = 0; i < analysis.cells.size(); ++i) {
    cellLines += CellTableLine(static_cast<int>(i), analysis.cells[i]);
    cellLines += "\r\n";
  }
  std::string copied;
  try {
    WriteTemporaryFile(temporary, cellLines);
    copied = ReadWholeFile(temporary);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw;
  }
  std::error_code ignored;
  std::filesystem::remove(temporary, ignored);

  for (const std::string& line : StatisticsBlock(analysis.statistics)) file.line(line);
  file.raw(copied);
}

}  // namespace vembrel
