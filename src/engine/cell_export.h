#pragma once
// The per-well cell data file: its names, its header block and the
// statistics and cell table appended through the temporary ".tem" file.
#include <string>
#include <vector>

#include "core/text_file.h"
#include "imaging/cell_shape.h"

namespace vembrel {

/// ResultsFolder + "CellShape/" + prefix + well + "_Cell_Data_VL.csv". The
/// prefix keeps plates that share a parent folder apart.
std::string CellDataFileName(const std::string& resultsFolder, const std::string& platePrefix,
                             const std::string& well);
/// ResultsFolder + "CellJPEGS/" + prefix + well + ".jpg".
std::string CellSnapshotFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well);
/// The data file name with only its final ".csv" replaced by ".tem" (".tem"
/// appended to any other name), so it is always a different file beside it.
std::string TemporaryCellFileName(const std::string& dataFileName);

/// Texts of the cell-tab labels the header repeats.
struct CellSettingsTexts {
  std::string cutoff;      // Label53
  std::string minSize;     // Label52
  std::string maxSize;     // Label42
  std::string ratio;       // Label68
  std::string smoothness;  // Label69
};

/// Lines 1 to 34 of the cell data file; settingsHeader is SettingsHeader's 23 lines.
std::vector<std::string> CellDataHeader(const std::string& well,
                                        const std::vector<std::string>& settingsHeader,
                                        const CellSettingsTexts& texts);

/// Appends the statistics block and the cell table to file; the cell lines
/// pass through the temporary file beside it, which is removed again.
/// Throws Error naming the temporary file when it cannot be written or read.
void AppendCellTables(AtomicTextFile& file, const ShapeAnalysis& analysis);

}  // namespace vembrel
