#include "results/batch_run.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/date_text.h"
#include "core/error.h"
#include "engine/workspace.h"
#include "plate/well_names.h"
#include "results/spreadsheet.h"
#include "results/summary_file.h"

namespace vembrel {
namespace {

// Clears BatchRunning on every way out of the scope unless released.
class BatchRunningGuard {
 public:
  explicit BatchRunningGuard(ProgramState& state) : state_(state) {}
  ~BatchRunningGuard() {
    if (armed_) state_.BatchRunning = false;
  }
  void release() { armed_ = false; }

 private:
  ProgramState& state_;
  bool armed_ = true;
};

// What one well's analysis leaves behind for the summary file.
struct WellOutcome {
  WellResultTexts results;
  std::vector<DensityRow> density;
  WellSettingsRow settings{};
  std::vector<std::string> radii;  // RadiiLabels as grown by this well's passes alone
  std::optional<std::string> failure;
};

// RadiiLabels only grow: a pass with more bins than entries rewrites the list.
// Replaying a well's own list on the running list gives the sequential result.
void ReplayRadii(std::vector<std::string>& labels, const std::vector<std::string>& grown) {
  if (grown.size() > labels.size()) labels = grown;
}

}  // namespace

BatchRun::BatchRun(Workspace& workspace) : workspace_(workspace) {}

void BatchRun::start() {
  if (started_) throw Error("The batch has already been started");
  ProgramState& state = workspace_.state();
  Plate& plate = workspace_.plate();
  if (!plate.open) throw Error("No plate is open");
  const std::string folder = workspace_.resultsFolder();
  if (folder.empty()) throw Error("No results folder can be derived from '" + plate.path + "'");

  state.BatchRunning = true;
  BatchRunningGuard guard(state);
  summaryFile_ = SummaryFileName(folder, plate.prefix);

  // Windows from the last in frame order to the first; the file is written
  // before anything is closed, so a failing write leaves the windows alone.
  std::vector<WellWindow*> open;
  for (auto it = workspace_.windows().rbegin(); it != workspace_.windows().rend(); ++it) {
    open.push_back(it->get());
  }
  std::vector<std::string> lines =
      SummaryHeaderLines(state.central, plate.measurementDate, plate.path, plate.prefix, Now());
  std::vector<int> special;
  for (WellWindow* window : open) {
    const int well = WellIndex(window->caption());
    state.WellSettings[kBatchSnapshotRow] = ToWellSettingsRow(state.central);
    SpecialSettingsKind kind{};
    if (FindSpecialSettings(state.WellSettings[well], state.WellSettings[kBatchSnapshotRow],
                            kind)) {
      special.push_back(well);
      for (auto& line : SpecialSettingsLines(window->caption(), kind, state.WellSettings[well])) {
        lines.push_back(std::move(line));
      }
    }
  }
  WriteSummaryHeader(summaryFile_, lines);
  started_ = true;

  for (const int well : special) {
    if (plate.wells[well].state == 1) plate.wells[well].state = 2;
  }
  for (WellWindow* window : open) {
    window->setCaption("Closed");
    workspace_.closeWindow(*window);
  }

  queue_.clear();
  for (int well = 0; well < kWellCount; ++well) {
    int& wellState = plate.wells[well].state;
    if (wellState == 1) {
      queue_.push_back(well);
    } else if (wellState == 2) {
      wellState = 1;  // keeps the results of its own window
    } else {
      state.results[well] = {};
      state.DensityTable[well].clear();
    }
  }
  if (workspace_.onPlateChanged) workspace_.onPlateChanged();
  queued_ = static_cast<int>(queue_.size());
  if (queue_.empty()) {
    // Nothing to analyse: the header is all the file holds, and later
    // interactive passes must not write snapshots.
    finished_ = true;
    return;
  }
  guard.release();
}

bool BatchRun::step() {
  if (!started_) throw Error("The batch has not been started");
  if (finished_) return false;
  if (queue_.empty()) {
    finish();
    return false;
  }
  const int well = queue_.front();
  queue_.pop_front();
  const auto failure = AnalyseQueuedWell(workspace_, well);
  if (failure) {
    failures_.push_back({well, *failure});
  } else {
    ++analysed_;
  }
  reportProgress();
  return true;
}

std::optional<std::string> BatchRun::AnalyseQueuedWell(Workspace& workspace, int well) {
  ProgramState& state = workspace.state();
  const std::string name = WellName(well);
  // A window the user opened between two steps already holds its results.
  const bool alreadyOpen = workspace.findWindow(name) != nullptr;
  std::optional<std::string> failure;
  state.DoneSignal = "-";
  try {
    workspace.selectphoto(well, MouseButton::Left);
    state.largeWellLabel = name;
    if (!alreadyOpen && state.DoneSignal == "-") throw Error("the analysis did not finish");
  } catch (const std::exception& e) {
    failure = "Well " + name + ": " + e.what();
  }
  try {
    if (WellWindow* window = workspace.findWindow(name)) workspace.closeWindow(*window);
  } catch (const std::exception& e) {
    if (!failure) failure = "Well " + name + ": " + e.what();
  }
  if (failure) {
    // Never leave an earlier analysis's results under a failed well.
    state.results[well] = {};
    state.DensityTable[well].clear();
  }
  return failure;
}

void BatchRun::finish() {
  ProgramState& state = workspace_.state();
  BatchRunningGuard guard(state);
  finished_ = true;
  writetherest(summaryFile_, state);
  if (writeWorkbook_) {
    const std::string workbook =
        WorkbookFileName(workspace_.resultsFolder(), workspace_.plate().prefix);
    try {
      CVS2Exel(summaryFile_, workbook);
      workbookFile_ = workbook;
    } catch (const Error& e) {
      workbookError_ = e.what();
    }
  }
}

void BatchRun::reportProgress() {
  if (progress_) progress_(analysed_ + static_cast<int>(failures_.size()), queued_);
}

void BatchRun::runToEnd(int jobs) {
  if (!started_) start();
  if (jobs > 1 && queue_.size() > 1) runInParallel(jobs);
  while (step()) {
  }
}

void BatchRun::runInParallel(int jobs) {
  ProgramState& main = workspace_.state();
  const std::vector<int> wells(queue_.begin(), queue_.end());
  queue_.clear();
  const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(jobs), wells.size());

  std::vector<WellOutcome> outcomes(wells.size());
  std::vector<std::unique_ptr<ProgramState>> states;
  for (std::size_t k = 0; k < workers; ++k) {
    auto copy = std::make_unique<ProgramState>();
    copy->central = main.central;
    copy->WellSettings = main.WellSettings;
    copy->startTab = main.startTab;
    copy->BatchRunning = true;
    copy->DoneSignal = main.DoneSignal;
    copy->largeWellLabel = main.largeWellLabel;
    copy->CurrentWell = main.CurrentWell;
    states.push_back(std::move(copy));
  }

  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> lastWorker{0};
  std::mutex progressMutex;
  std::exception_ptr escaped;
  std::mutex escapedMutex;
  const auto work = [&](std::size_t k) {
    try {
      ProgramState& state = *states[k];
      Workspace workspace(state);
      workspace.plate() = workspace_.plate();
      workspace.setResultsFolder(workspace_.resultsFolder());
      for (std::size_t i; (i = next.fetch_add(1)) < wells.size();) {
        const int well = wells[i];
        state.RadiiLabels.clear();
        WellOutcome& outcome = outcomes[i];
        outcome.failure = AnalyseQueuedWell(workspace, well);
        outcome.results = state.results[well];
        outcome.density = state.DensityTable[well];
        outcome.settings = state.WellSettings[well];
        outcome.radii = state.RadiiLabels;
        if (i + 1 == wells.size()) lastWorker = k;
        const std::lock_guard lock(progressMutex);
        if (outcome.failure) {
          failures_.push_back({well, *outcome.failure});
        } else {
          ++analysed_;
        }
        reportProgress();
      }
    } catch (...) {
      const std::lock_guard lock(escapedMutex);
      if (!escaped) escaped = std::current_exception();
      next = wells.size();
    }
  };
  {
    std::vector<std::jthread> threads;
    for (std::size_t k = 0; k < workers; ++k) threads.emplace_back(work, k);
  }
  if (escaped) std::rethrow_exception(escaped);

  // Merge in queue order, as the sequential batch would have left things.
  auto results = main.results;
  auto density = main.DensityTable;
  auto settings = main.WellSettings;
  auto radii = main.RadiiLabels;
  failures_.clear();
  for (std::size_t i = 0; i < wells.size(); ++i) {
    const int well = wells[i];
    results[well] = outcomes[i].results;
    density[well] = std::move(outcomes[i].density);
    settings[well] = outcomes[i].settings;
    ReplayRadii(radii, outcomes[i].radii);
    if (outcomes[i].failure) failures_.push_back({well, *outcomes[i].failure});
  }
  // The last well's pass leaves the analysis buffers and the settings.
  auto callback = std::move(main.onCentralValuesShown);
  const std::uint64_t generation = main.analysisGeneration;
  main = std::move(*states[lastWorker]);
  // Whatever a window kept from before the batch no longer matches the buffers.
  main.analysisGeneration = std::max(main.analysisGeneration, generation) + 1;
  main.results = std::move(results);
  main.DensityTable = std::move(density);
  main.WellSettings = std::move(settings);
  main.RadiiLabels = std::move(radii);
  main.onCentralValuesShown = std::move(callback);
  main.BatchRunning = true;
  if (main.onCentralValuesShown) main.onCentralValuesShown();
}

}  // namespace vembrel
