#include "engine/cell_data_file.h"

#include "core/convert.h"
#include "core/date_text.h"
#include "core/error.h"
#include "core/text_file.h"
#include "engine/well_session.h"
#include "plate/settings_header.h"

namespace vembrel {

std::string CellDataFileName(const std::string& resultsFolder, const std::string& platePrefix,
                             const std::string& well) {
  return resultsFolder + "CellShape/" + platePrefix + well + "_Cell_Data_VL.csv";
}

std::string CellSnapshotFileName(const std::string& resultsFolder, const std::string& platePrefix,
                                 const std::string& well) {
  return resultsFolder + "CellJPEGS/" + platePrefix + well + ".jpg";
}

std::string CellTableLine(int number, const CellMeasures& cell) {
  std::string line = std::to_string(number) + "\t" + std::to_string(cell.size) + "\t" +
                     std::to_string(cell.width) + "\t" + std::to_string(cell.height) + "\t" +
                     std::to_string(cell.circumference) + "\t" + CommaFloatText(cell.length) +
                     "\t" + CommaFloatText(cell.ratio) + "\t" + CommaFloatText(cell.correlation) +
                     "\t" + ClassColourWord(cell.shapeClass) + "\t" +
                     (cell.angle ? CommaFloatText(*cell.angle) : std::string("-")) + "\t" +
                     std::to_string(cell.nucleusSize);
  return line;
}

std::vector<std::string> CellDataLines(const WellSession& session, double today) {
  const AnalysisSettings& s = session.settings();
  const PlateIdentity& plate = session.plate();
  std::vector<std::string> lines = {"Data of Cells from well " + session.wellName(), ""};
  for (const CellLine& line :
       SettingsHeaderLines(s, plate.measurementDate, plate.path, plate.prefix, today)) {
    lines.push_back(CellLineText(line));
  }
  lines.insert(
      lines.end(),
      {"", "Settings Cells", "Cut off Green channel:\t" + std::to_string(s.cells.greenCutoff),
       "Minimum size of cells\t" + std::to_string(s.cells.minimalSize),
       "Maximum size of cells\t" + std::to_string(s.cells.maximalSize),
       "Shape ratio long/round\t" + FloatToText(s.cells.lengthRatio),
       "Shape coeff rough/smooth\t" + FloatToText(s.cells.smoothness), "", ""});
  const auto& cells = session.results().cells;
  if (cells && cells->kept >= 1) {
    for (std::string& line : StatisticsBlock(cells->statistics)) lines.push_back(std::move(line));
    for (std::size_t i = 0; i < cells->cells.size(); ++i) {
      lines.push_back(CellTableLine(static_cast<int>(i), cells->cells[i]));
    }
  }
  return lines;
}

WellDataFiles SaveWellData(const WellSession& session, const std::string& resultsFolder,
                           Durability durability) {
  if (!session.cellLevel()) {
    throw Error("Well " + session.wellName() +
                ": switch the cell level on before saving well data");
  }
  if (resultsFolder.empty()) {
    throw Error("No results folder: open the plate's pictures before saving well data");
  }
  const std::string& prefix = session.plate().prefix;
  WellDataFiles files{CellDataFileName(resultsFolder, prefix, session.wellName()),
                      CellSnapshotFileName(resultsFolder, prefix, session.wellName())};
  CreateFolders(resultsFolder + "CellShape");
  AtomicTextFile data(files.cellData);
  for (const std::string& line : CellDataLines(session, Now())) data.line(line);
  data.commit(durability);
  CreateFolders(resultsFolder + "CellJPEGS");
  WriteFileAtomically(files.cellSnapshot, session.cellCropJpeg(), durability);
  return files;
}

}  // namespace vembrel
