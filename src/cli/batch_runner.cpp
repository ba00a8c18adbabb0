#include "cli/batch_runner.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/batch_progress.h"
#include "cli/command.h"
#include "cli/command_line.h"
#include "core/convert.h"
#include "core/memory_tuning.h"
#include "core/text_file.h"
#include "plate/plate_notes.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"
#include "results/batch_run.h"
#include "results/results_json.h"

namespace vembrel::cli {
namespace {

// The wells --wells and --shard choose, in plate order. A shard is cut from
// the included wells (of the list, when both are given).
std::vector<int> ChosenWells(const Plate& plate, const BatchOptions& options) {
  std::vector<int> wells;
  try {
    const std::vector<int> listed =
        options.wells.empty() ? std::vector<int>{} : ParseWellList(options.wells, plate.format);
    for (int well = 0; well < plate.format.wellCount(); ++well) {
      const bool inList =
          options.wells.empty() || std::binary_search(listed.begin(), listed.end(), well);
      if (inList && plate.wells[well].state == 1) wells.push_back(well);
    }
    if (!options.shard.empty()) {
      const std::size_t slash = options.shard.find('/');
      if (slash == std::string::npos) throw Error("'" + options.shard + "' is no shard I/N");
      wells = ShardOf(wells, StrToInt(options.shard.substr(0, slash)),
                      StrToInt(options.shard.substr(slash + 1)));
    }
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
  return wells;
}

int LargestReducedField(const PlateResults& results) {
  int side = 0;
  for (const auto& well : results.wells) {
    if (well) side = std::max(side, well->reducedFrom);
  }
  return side;
}

int IncludedWells(const Plate& plate) {
  int count = 0;
  for (const WellRecord& well : plate.wells) count += well.state == 1 ? 1 : 0;
  return count;
}

}  // namespace

nlohmann::ordered_json MapVariablesJson(const MappedPlate& map, int well) {
  const MappedWell& mapped = map.wells[well];
  const auto text = [](const std::string& value) {
    return value.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(value);
  };
  nlohmann::ordered_json variables = {
      {"role", mapped.role ? nlohmann::ordered_json(WellRoleWord(*mapped.role))
                           : nlohmann::ordered_json(nullptr)},
      {"compound", text(mapped.compound)},
      {"concentration", mapped.concentration ? nlohmann::ordered_json(*mapped.concentration)
                                             : nlohmann::ordered_json(nullptr)},
      {"unit", text(mapped.unit)},
      {"condition", text(mapped.condition)}};
  for (std::size_t i = 0; i < map.otherVariables.size(); ++i) {
    variables[map.otherVariables[i]] = text(mapped.others[i]);
  }
  return variables;
}

namespace {

// One line per well with results or a failed analysis, in plate order; with
// a plate map each well's results carry its variables.
void PrintWellsJson(const PlateResults& results, const std::vector<BatchFailure>& failures,
                    const std::optional<MapRequest>& plateMap, std::ostream& out) {
  for (int well = 0; well < results.format.wellCount(); ++well) {
    if (const auto& r = results.wells[well]) {
      nlohmann::ordered_json line = WellResultsJson(*r);
      if (plateMap) line["variables"] = MapVariablesJson(plateMap->map, well);
      out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    }
    for (const BatchFailure& failure : failures) {
      if (failure.well != well) continue;
      const nlohmann::ordered_json line = {{"well", WellName(well, results.format)},
                                           {"error", failure.message}};
      out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    }
  }
  out.flush();
}

}  // namespace

Plate OpenPlateForCommand(const std::string& pictureOrFolder, const PlateOpenOptions& options) {
  std::error_code error;
  if (!std::filesystem::exists(pictureOrFolder, error)) {
    throw UsageError("Unable to open picture '" + pictureOrFolder + "': no such file or folder");
  }
  try {
    // Absolute, so the summary names the real folder and a parent can be derived.
    return OpenPlate(std::filesystem::absolute(pictureOrFolder).lexically_normal().string(),
                     options);
  } catch (const UsageError&) {
    throw;
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
}

int RunBatchCommand(const BatchOptions& options, std::ostream& out) {
  const auto began = std::chrono::steady_clock::now();
  // A plate map that cannot be used stops the run before anything is done.
  std::optional<MapRequest> plateMap = ReadPlateMapOptions(options.plateMap, options.cells);
  AnalysisSettings settings;
  if (!options.settings.empty()) {
    try {
      settings = ReadSettingsFile(options.settings);
    } catch (const Error& e) {
      throw UsageError(e.what());
    }
  }
  const Plate plate = OpenPlateForCommand(options.picture, options.plate);
  if (IncludedWells(plate) == 0) {
    throw UsageError("No well of the plate of '" + options.picture +
                     "' has both channel pictures; nothing to analyse");
  }
  // What is done to the plate's pictures is said once, before the run.
  for (const std::string& note : plate.notes) std::cerr << "vembrel: note: " << note << "\n";
  if (const std::string bits = InputBitsNote(plate); !bits.empty()) {
    std::cerr << "vembrel: " << bits << "\n";
  }
  if (plateMap) {
    plateMap->map = MapOnPlate(std::move(plateMap->map), plate.format);
    if (const std::string note = UnmappedWellsNote(plateMap->map, plate); !note.empty()) {
      std::cerr << "vembrel: note: " << note << "\n";
    }
  }
  if (const auto& size = plate.pixelSize) {
    std::cerr << "vembrel: pixel size " << PixelSizeText(*size)
              << "; the tables give micrometres as well\n";
  } else {
    std::cerr << "vembrel: no pixel size known (--pixel-size UM gives one); measures are in "
                 "pixels\n";
  }
  BatchRun batch(plate, settings,
                 options.results.empty() ? ResultsFolderOf(plate.path) : options.results);
  const std::string& folder = batch.resultsFolder();
  if (folder.empty()) {
    throw UsageError("No results folder can be derived from '" + options.picture +
                     "'; use --results");
  }
  // A bad rings file stops the run before anything is written.
  std::optional<RingsFile> rings;
  if (options.rings != "none") {
    const std::string file =
        !options.rings.empty() ? options.rings : RingsFileName(folder, plate.prefix);
    std::error_code missing;
    if (!options.rings.empty() || std::filesystem::exists(file, missing))
      rings = ReadRingsFile(file, plate.format);
  }
  try {
    CreateFolders(folder);
  } catch (const Error& e) {
    throw UsageError(e.what());  // an unusable destination, not a failed well
  }

  batch.setRings(std::move(rings));
  if (!options.wells.empty() || !options.shard.empty()) {
    batch.setWells(ChosenWells(plate, options));
  }
  batch.setResume(options.resume);
  batch.setWaitForFolder(options.wait, [](const std::string& holder) {
    std::cerr << "vembrel: waiting for " << holder << " to finish\n";
  });
  batch.setCellLevel(options.cells);
  batch.setFitRadius(options.fitRadius);
  batch.setZoneCoverage(options.zoneCoverage);
  batch.setCutoffs(options.cutoffs);
  batch.setPlateMap(plateMap);
  batch.setWriteWorkbook(!options.noWorkbook);
  batch.setCommandLine(ThisCommandLine());
  const ProgressStyle style = ProgressStyleOf(options.progress, isatty(STDERR_FILENO) == 1);
  batch.setProgress(ProgressReporter(style));
  const int jobs = options.jobs > 0 ? options.jobs : DefaultJobCount();
  batch.runToEnd(jobs);
  if (style == ProgressStyle::Line) std::cerr << "\n";

  for (const std::string& problem : batch.problems()) std::cerr << "vembrel: " << problem << "\n";
  if (plateMap && plateMap->dropFlagged && batch.coversWholePlate()) {
    std::string dropped;
    for (int well = 0; well < plate.format.wellCount(); ++well) {
      const auto& r = batch.results().wells[well];
      if (!r || r->quality.empty()) continue;
      dropped += (dropped.empty() ? "" : ", ") + WellName(well, plate.format) + " (";
      for (std::size_t i = 0; i < r->quality.size(); ++i)
        dropped += (i ? ";" : "") + std::string(QualityNoteName(r->quality[i]));
      dropped += ")";
    }
    std::cerr << "vembrel: --drop-flagged left out of the plate map's statistics: "
              << (dropped.empty() ? std::string("no well") : dropped) << "\n";
  }
  if (options.json) PrintWellsJson(batch.results(), batch.failures(), plateMap, out);
  std::ostream& closing = options.json ? std::cerr : out;

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::ostringstream line;
  line << "Analysed " << batch.wellsAnalysed() << " wells";
  if (batch.wellsReused() > 0) line << ", reused " << batch.wellsReused();

  line << ", " << batch.failures().size() << " failed, " << std::fixed << std::setprecision(2)
       << seconds << " s; wrote ";
  if (batch.coversWholePlate()) {
    line << batch.summaryFile();
    if (!batch.workbookFile().empty()) line << ", " << batch.workbookFile();
    if (batch.plateFiles().size() > 1) line << ", tables, run manifest, plate heatmaps and report";
  } else {
    line << "the records of a part of the plate in " << folder
         << "WellResults/ (vembrel merge puts the parts together)";
  }
  line << ", snapshots in " << folder << "JPEGS/ and " << folder << "Wells/";
  if (options.cells)
    line << ", cell data in " << folder << "CellShape/ and " << folder << "CellJPEGS/";
  const auto plural = [](int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  if (batch.fieldsLeftBlack() > 0) {
    line << "; " << plural(batch.fieldsLeftBlack(), "field") << " left black in "
         << plural(batch.wellsWithFieldsLeftBlack(), "well");
  }
  if (batch.fieldsDamaged() > 0)
    line << "; " << plural(batch.fieldsDamaged(), "field") << " damaged";
  if (batch.reviewedRingsUsed() > 0) {
    line << "; " << plural(batch.reviewedRingsUsed(), "reviewed ring") << " used from "
         << batch.rings()->path;
  }
  if (const int side = LargestReducedField(batch.results()); side > 0) {
    if (plate.fieldsPerWell == 1) {  // counted as four fields of half its side
      line << "; pictures of the whole well of " << 2 * side << " x " << 2 * side
           << " reduced to 1024 x 1024";
    } else {
      line << "; fields of " << side << " x " << side << " reduced to 512 x 512";
    }
  }
  if (batch.recordsRedone() > 0) {
    line << "; " << plural(batch.recordsRedone(), "record") << " not reused ("
         << batch.recordsRedoneText() << ")";
  }
  closing << line.str() << "\n";
  // The last line says what did not work, for whoever reads only the end.
  std::vector<std::string> failed;
  for (const BatchFailure& failure : batch.failures())
    failed.push_back(WellName(failure.well, plate.format));
  for (const BatchFailure& failure : batch.writeFailures()) failed.push_back(failure.message);
  if (!batch.summaryError().empty()) failed.push_back(batch.summaryFile());
  for (const PlateFileOutcome& file : batch.plateFiles()) {
    if (!file.error.empty()) failed.push_back(file.path);
  }
  if (options.strict) {
    for (const auto& [well, problem] : batch.fieldProblems()) failed.push_back(problem.message);
  }
  if (!failed.empty()) {
    closing << "Failed: ";
    for (std::size_t i = 0; i < failed.size(); ++i) closing << (i > 0 ? "; " : "") << failed[i];
    closing << "\n";
  }
  return failed.empty() ? 0 : 1;
}

void RunBatchCommandWithExitCode(const BatchOptions& options, std::ostream& out, int& exitCode) {
  RunWithExitCode(exitCode, [&] { return RunBatchCommand(options, out); });
}

}  // namespace vembrel::cli
