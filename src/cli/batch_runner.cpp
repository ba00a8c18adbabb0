#include "cli/batch_runner.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <thread>

#include "cli/command_line.h"
#include "core/text_file.h"
#include "engine/results_json.h"
#include "engine/workspace.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"
#include "results/batch_run.h"

namespace vembrel::cli {
namespace {

// "[#######.............]  12/96" redrawn in place on a terminal.
void DrawProgress(int done, int total) {
  constexpr int kWidth = 40;
  const int filled = total > 0 ? done * kWidth / total : kWidth;
  std::cerr << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] "
            << done << "/" << total << std::flush;
}

int IncludedWells(const Plate& plate) {
  int count = 0;
  for (const WellRecord& well : plate.wells) count += well.state == 1 ? 1 : 0;
  return count;
}

// One line per well with results or a failed analysis, in plate order.
void PrintWellsJson(const PlateResults& results, const std::vector<BatchFailure>& failures,
                    std::ostream& out) {
  for (int well = 0; well < kWellCount; ++well) {
    if (const auto& r = results.wells[well]) {
      out << WellResultsJson(*r).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
          << "\n";
    }
    for (const BatchFailure& failure : failures) {
      if (failure.well != well) continue;
      const nlohmann::ordered_json line = {{"well", WellName(well)}, {"error", failure.message}};
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
  Workspace workspace;
  if (!options.settings.empty()) {
    try {
      workspace.setUniversalSettings(ReadSettingsFile(options.settings));
    } catch (const Error& e) {
      throw UsageError(e.what());
    }
  }
  workspace.setPlate(OpenPlateForCommand(options.picture, options.plate));
  if (IncludedWells(workspace.plate()) == 0) {
    throw UsageError("No well of the plate of '" + options.picture +
                     "' has both channel pictures; nothing to analyse");
  }
  if (!options.results.empty()) workspace.setResultsFolder(options.results);
  if (workspace.resultsFolder().empty()) {
    throw UsageError("No results folder can be derived from '" + options.picture +
                     "'; use --results");
  }
  try {
    CreateFolders(workspace.resultsFolder());
  } catch (const Error& e) {
    throw UsageError(e.what());  // an unusable destination, not a failed well
  }

  BatchRun batch(workspace);
  batch.setWaitForFolder(options.wait, [](const std::string& holder) {
    std::cerr << "vembrel: waiting for " << holder << " to finish\n";
  });
  batch.setCellLevel(options.cells);
  batch.setFitRadius(options.fitRadius);
  batch.setWriteWorkbook(!options.noWorkbook);
  batch.setCommandLine(ThisCommandLine());
  const bool terminal = isatty(STDERR_FILENO) == 1;
  if (terminal) batch.setProgress(DrawProgress);
  const int jobs =
      options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  batch.runToEnd(jobs);
  if (terminal) std::cerr << "\n";

  for (const auto& [well, problem] : batch.fieldProblems()) {
    std::cerr << "vembrel: " << (problem.leftBlack() ? "left black" : "damaged") << ": Well "
              << WellName(well) << ": " << problem.message << "\n";
  }
  for (const BatchFailure& failure : batch.failures())
    std::cerr << "vembrel: " << failure.message << "\n";
  for (const BatchFailure& failure : batch.writeFailures())
    std::cerr << "vembrel: " << failure.message << "\n";
  if (!batch.summaryError().empty()) std::cerr << "vembrel: " << batch.summaryError() << "\n";
  for (const PlateFileOutcome& file : batch.plateFiles()) {
    if (!file.error.empty()) std::cerr << "vembrel: " << file.error << "\n";
  }
  if (options.json) PrintWellsJson(workspace.results(), batch.failures(), out);
  std::ostream& closing = options.json ? std::cerr : out;

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::ostringstream line;
  line << "Analysed " << batch.wellsAnalysed() << " wells, " << batch.failures().size()
       << " failed, " << std::fixed << std::setprecision(2) << seconds << " s; wrote "
       << batch.summaryFile();
  if (!batch.workbookFile().empty()) line << ", " << batch.workbookFile();
  if (batch.plateFiles().size() > 1) line << ", tables, run manifest, plate heatmaps and report";
  line << ", snapshots in " << workspace.resultsFolder() << "JPEGS/";
  if (options.cells) {
    line << ", cell data in " << workspace.resultsFolder() << "CellShape/ and "
         << workspace.resultsFolder() << "CellJPEGS/";
  }
  const auto plural = [](int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  if (batch.fieldsLeftBlack() > 0) {
    line << "; " << plural(batch.fieldsLeftBlack(), "field") << " left black in "
         << plural(batch.wellsWithFieldsLeftBlack(), "well");
  }
  if (batch.fieldsDamaged() > 0)
    line << "; " << plural(batch.fieldsDamaged(), "field") << " damaged";
  closing << line.str() << "\n";
  // The last line says what did not work, for whoever reads only the end.
  std::vector<std::string> failed;
  for (const BatchFailure& failure : batch.failures()) failed.push_back(WellName(failure.well));
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
  try {
    exitCode = RunBatchCommand(options, out);
  } catch (const UsageError&) {
    exitCode = 2;
    throw;
  }
}

}  // namespace vembrel::cli
