#include "results/batch_run.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

#include "core/date_text.h"
#include "core/error.h"
#include "core/folder_lock.h"
#include "core/replacement_file.h"
#include "core/text_file.h"
#include "engine/cell_data_file.h"
#include "engine/workspace.h"
#include "plate/well_names.h"
#include "results/summary_file.h"

namespace vembrel {

BatchRun::BatchRun(Workspace& workspace)
    : workspace_(workspace), cellLevel_(workspace.startTab() == WellTab::Cells) {}

BatchRun::~BatchRun() = default;

void BatchRun::start() {
  if (started_) throw Error("The batch has already been started");
  const Plate& plate = workspace_.plate();
  if (!plate.open) throw Error("No plate is open");
  const std::string folder = workspace_.resultsFolder();
  if (folder.empty()) throw Error("No results folder can be derived from '" + plate.path + "'");
  CreateFolders(folder);
  lock_ = std::make_unique<FolderLock>(folder, waitForFolder_, waitNotice_);
  startTime_ = std::time(nullptr);
  settings_ = workspace_.universalSettings();
  summaryFile_ = SummaryFileName(folder, plate.prefix);
  headerLines_ =
      SummaryHeaderLines(settings_, plate.measurementDate, plate.path, plate.prefix, Now());

  // Open wells analysed with settings of their own keep their results; their
  // settings are written out, from the last opened to the first.
  PlateResults& results = workspace_.results();
  results.settingsRows[kBatchSnapshotRow] = ToWellSettingsRow(settings_);
  std::vector<bool> keep(kWellCount, false);
  const auto& sessions = workspace_.sessions();
  for (auto it = sessions.rbegin(); it != sessions.rend(); ++it) {
    const int well = (*it)->well();
    SpecialSettingsKind kind{};
    if (FindSpecialSettings(results.settingsRows[well], results.settingsRows[kBatchSnapshotRow],
                            kind)) {
      keep[well] = true;
      for (std::string& line :
           SpecialSettingsLines(WellName(well), kind, results.settingsRows[well])) {
        headerLines_.push_back(std::move(line));
      }
    }
  }
  workspace_.closeAll();
  started_ = true;

  queue_.clear();
  for (int well = 0; well < kWellCount; ++well) {
    if (plate.wells[well].state != 1) {
      results.forget(well);
    } else if (!keep[well]) {
      queue_.push_back(well);
    }
  }
  queued_ = static_cast<int>(queue_.size());
  // Temporaries of runs killed in this folder; ours are made from here on.
  RemoveLeftoverTemporaries(folder);
  for (const char* sub : {"JPEGS", "CellShape", "CellJPEGS"}) {
    const std::string subfolder = folder + sub;
    std::error_code missing;
    if (std::filesystem::is_directory(subfolder, missing)) RemoveLeftoverTemporaries(subfolder);
    if (!cellLevel_ && std::string_view(sub) != "JPEGS") continue;
    try {
      CreateFolders(subfolder);
    } catch (const Error&) {
      // Each file that cannot be written there is reported with its well.
    }
  }
  if (queue_.empty()) finish();
}

SessionOptions BatchRun::sessionOptions() const {
  SessionOptions options;
  options.cellLevel = cellLevel_;
  options.fitRadius = fitRadius_;
  return options;
}

BatchWellOutcome BatchRun::AnalyseWell(const Plate& plate, int well,
                                       const AnalysisSettings& settings,
                                       const SessionOptions& options,
                                       const std::string& resultsFolder,
                                       std::optional<WellResults>& results,
                                       AnalysisSettings& analysedWith) {
  BatchWellOutcome outcome;
  outcome.well = well;
  const std::string name = WellName(well);
  try {
    const WellSession session(plate, well, settings, options);
    outcome.fieldProblems = session.results().fieldProblems;
    results = session.results();
    analysedWith = session.settings();
    // A snapshot that cannot be written is no failed analysis: the numbers stand.
    const std::string snapshot = resultsFolder + "JPEGS/" + plate.prefix + name + ".jpg";
    try {
      WriteFileAtomically(snapshot, session.ringCropJpeg(), Durability::Deferred);
    } catch (const std::exception& e) {
      outcome.writeFailures.push_back(e.what());
    }
    if (options.cellLevel) {
      try {
        SaveWellData(session, resultsFolder, Durability::Deferred);
      } catch (const std::exception& e) {
        outcome.writeFailures.push_back(e.what());
      }
    }
  } catch (const std::exception& e) {
    outcome.failure = "Well " + name + ": " + e.what();
    results.reset();
  }
  return outcome;
}

void BatchRun::takeOutcome(const BatchWellOutcome& outcome, std::optional<WellResults>& results,
                           const AnalysisSettings& analysedWith) {
  PlateResults& plateResults = workspace_.results();
  if (outcome.failure) {
    failures_.push_back({outcome.well, *outcome.failure});
    plateResults.forget(outcome.well);
  } else {
    ++analysed_;
    plateResults.record(*results, analysedWith);
    lastSettings_ = analysedWith;  // the well analysed last gives the universal settings
  }
  for (const std::string& message : outcome.writeFailures) {
    writeFailures_.push_back({outcome.well, "Well " + WellName(outcome.well) + ": " + message});
  }
  for (const FieldProblem& problem : outcome.fieldProblems) {
    fieldProblems_.push_back({outcome.well, problem});
  }
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
  std::optional<WellResults> results;
  AnalysisSettings analysedWith;
  const BatchWellOutcome outcome =
      AnalyseWell(workspace_.plate(), well, settings_, sessionOptions(), workspace_.resultsFolder(),
                  results, analysedWith);
  takeOutcome(outcome, results, analysedWith);
  reportProgress();
  return true;
}

void BatchRun::runToEnd(int jobs) {
  if (!started_) start();
  if (jobs > 1 && queue_.size() > 1) runInParallel(jobs);
  while (step()) {
  }
}

void BatchRun::runInParallel(int jobs) {
  const std::vector<int> wells(queue_.begin(), queue_.end());
  queue_.clear();
  const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(jobs), wells.size());
  std::vector<BatchWellOutcome> outcomes(wells.size());
  std::vector<std::optional<WellResults>> results(wells.size());
  std::vector<AnalysisSettings> analysedWith(wells.size());
  const Plate& plate = workspace_.plate();
  const std::string folder = workspace_.resultsFolder();
  const AnalysisSettings settings = settings_;
  const SessionOptions options = sessionOptions();

  std::atomic<std::size_t> next{0};
  std::mutex progressMutex;
  int done = 0;
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < wells.size();) {
      outcomes[i] =
          AnalyseWell(plate, wells[i], settings, options, folder, results[i], analysedWith[i]);
      const std::lock_guard lock(progressMutex);
      ++done;
      if (progress_) progress_(done, queued_);
    }
  };
  {
    std::vector<std::jthread> threads;
    for (std::size_t k = 0; k < workers; ++k) threads.emplace_back(work);
  }
  // In queue order, as one thread would have left things.
  for (std::size_t i = 0; i < wells.size(); ++i)
    takeOutcome(outcomes[i], results[i], analysedWith[i]);
}

void BatchRun::finish() {
  finished_ = true;
  // The lock goes when the files are written, whichever way this ends.
  struct Release {
    std::unique_ptr<FolderLock>& lock;
    ~Release() { lock.reset(); }
  } release{lock_};
  if (lastSettings_) workspace_.setUniversalSettings(*lastSettings_);
  std::vector<std::string> lines = headerLines_;
  for (std::string& line : SummaryResultLines(workspace_.results()))
    lines.push_back(std::move(line));
  try {
    // The wells' files are made durable together before the summary names them.
    SyncFolder(workspace_.resultsFolder());
    WriteSummaryFile(summaryFile_, lines, {});
  } catch (const Error& e) {
    summaryError_ = std::string(e.what()) + "; the earlier summary file is kept";
    return;  // the workbook, tables and the rest stay those that match the summary file
  }
  writePlateFiles(lines);
}

void BatchRun::writePlateFiles(const std::vector<std::string>& summaryLines) {
  RunFacts facts;
  facts.commandLine = commandLine_;
  facts.started = startTime_;
  facts.ended = std::time(nullptr);
  facts.cellLevel = cellLevel_;
  facts.settings = settings_;
  for (const BatchFailure& failure : failures_)
    facts.failures.push_back({failure.well, failure.message});
  const Workspace& workspace = workspace_;
  plateFiles_ = WritePlateFiles(workspace.plate(), workspace.results(), facts,
                                workspace.resultsFolder(), summaryLines, writeWorkbook_);
  if (writeWorkbook_ && !plateFiles_.empty()) {  // the workbook comes first
    const PlateFileOutcome& workbook = plateFiles_.front();
    if (workbook.error.empty()) {
      workbookFile_ = workbook.path;
    } else {
      workbookError_ = workbook.error;
    }
  }
}

int BatchRun::fieldsLeftBlack() const {
  return static_cast<int>(std::count_if(fieldProblems_.begin(), fieldProblems_.end(),
                                        [](const auto& p) { return p.problem.leftBlack(); }));
}

int BatchRun::wellsWithFieldsLeftBlack() const {
  std::vector<int> wells;
  for (const auto& p : fieldProblems_) {
    if (p.problem.leftBlack()) wells.push_back(p.well);
  }
  std::sort(wells.begin(), wells.end());
  return static_cast<int>(std::unique(wells.begin(), wells.end()) - wells.begin());
}

int BatchRun::fieldsDamaged() const {
  return static_cast<int>(fieldProblems_.size()) - fieldsLeftBlack();
}

void BatchRun::reportProgress() {
  if (progress_) progress_(analysed_ + static_cast<int>(failures_.size()), queued_);
}

}  // namespace vembrel
