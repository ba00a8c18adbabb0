#pragma once
// The per-well cell data file ("Save Welldata", and every well of a batch at
// cell level): settings, class counts, orientation histogram and one line per
// cell; 8-bit text, TAB-separated, CR LF.
#include <string>
#include <vector>

#include "core/replacement_file.h"

namespace vembrel {

class WellSession;

/// results folder + "CellShape/" + prefix + well + "_Cell_Data_VL.csv". The
/// prefix keeps plates that share a parent folder apart.
std::string CellDataFileName(const std::string& resultsFolder, const std::string& platePrefix,
                             const std::string& well);
/// results folder + "CellJPEGS/" + prefix + well + ".jpg".
std::string CellSnapshotFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well);

struct CellMeasures;

/// One line of the cell table (without line end): number, size, width,
/// height, circumference, length, ratio, correlation, colour word ("Blue "
/// ...), angle or "-", nucleus size; decimals with ",".
std::string CellTableLine(int number, const CellMeasures& cell);

/// The lines of the cell data file of the session's last cell-level run (the
/// header alone when no cell was kept); today is the analysis date.
std::vector<std::string> CellDataLines(const WellSession& session, double today);

/// The files "Save Welldata" writes.
struct WellDataFiles {
  std::string cellData;
  std::string cellSnapshot;
};

/// Writes the cell data file and the cell snapshot of a session at cell level
/// into resultsFolder (ending with a separator), each replaced only by a
/// complete file. Throws Error naming the path on failure, or when the
/// session is not at cell level. A batch defers durability to one sync of
/// the folder before its summary is written.
WellDataFiles SaveWellData(const WellSession& session, const std::string& resultsFolder,
                           Durability durability = Durability::Synced);

}  // namespace vembrel
