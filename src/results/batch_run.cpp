#include "results/batch_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <filesystem>

#include "core/date_text.h"
#include "core/error.h"
#include "core/folder_lock.h"
#include "core/parallel_items.h"
#include "core/read_ahead.h"
#include "core/replacement_file.h"
#include "core/text_file.h"
#include "engine/cell_data_file.h"
#include "imaging/image_files.h"
#include "plate/plate.h"
#include "plate/well_names.h"
#include "results/summary_file.h"

namespace vembrel {

BatchRun::BatchRun(const Plate& plate, const AnalysisSettings& settings, std::string resultsFolder)
    : plate_(std::make_unique<Plate>(plate)),
      folder_(std::move(resultsFolder)),
      settings_(settings),
      results_(plate.format) {
  if (!folder_.empty() && folder_.back() != '/' && folder_.back() != '\\') folder_ += '/';
}

BatchRun::~BatchRun() = default;

void BatchRun::setOpenWells(std::vector<int> wells, const PlateResults& results) {
  openWells_ = std::move(wells);
  results_ = results;
}

void BatchRun::start() {
  if (started_) throw Error("The batch has already been started");
  const Plate& plate = *plate_;
  if (!plate.open) throw Error("No plate is open");
  const std::string& folder = folder_;
  if (folder.empty()) throw Error("No results folder can be derived from '" + plate.path + "'");
  if (!ringsChosen_) {
    const std::string ringsFile = RingsFileName(folder, plate.prefix);
    std::error_code missing;
    if (std::filesystem::exists(ringsFile, missing))
      rings_ = ReadRingsFile(ringsFile, plate.format);
    ringsChosen_ = true;
  }
  CreateFolders(folder);
  lock_ = std::make_unique<FolderLock>(folder, waitForFolder_, waitNotice_);
  startTime_ = std::time(nullptr);
  summaryFile_ = SummaryFileName(folder, plate.prefix);
  headerLines_ =
      SummaryHeaderLines(settings_, plate.measurementDate, plate.path, plate.prefix, Now());

  // Open wells analysed with settings of their own keep their results; their
  // settings are written out, from the last opened to the first.
  PlateResults& results = results_;
  results.batchSettingsRow() = ToWellSettingsRow(settings_);
  const int wellCount = plate.format.wellCount();
  std::vector<bool> keep(wellCount, false);
  for (auto it = openWells_.rbegin(); it != openWells_.rend(); ++it) {
    const int well = *it;
    SpecialSettingsKind kind{};
    if (FindSpecialSettings(results.settingsRows[well], results.batchSettingsRow(), kind)) {
      keep[well] = true;
      for (CellLine& line :
           SpecialSettingsLines(WellName(well, plate.format), kind, results.settingsRows[well])) {
        headerLines_.push_back(std::move(line));
      }
    }
  }
  started_ = true;

  queue_.clear();
  std::vector<bool> selected(wellCount, !selection_.has_value());
  if (selection_) {
    for (const int well : *selection_) selected.at(well) = true;
  }
  for (int well = 0; well < wellCount; ++well) {
    if (plate.wells[well].state != 1) {
      results.forget(well);
    } else if (!selected[well]) {
      coversWholePlate_ = false;
    } else if (!keep[well]) {
      queue_.push_back(well);
    }
  }
  queued_ = static_cast<int>(queue_.size());
  // Temporaries of runs killed in this folder; ours are made from here on.
  RemoveLeftoverTemporaries(folder);
  for (const char* sub : {"JPEGS", "Wells", "CellShape", "CellJPEGS", "WellResults"}) {
    const std::string subfolder = folder + sub;
    std::error_code missing;
    if (std::filesystem::is_directory(subfolder, missing)) RemoveLeftoverTemporaries(subfolder);
    const bool cellFolder = std::string_view(sub).starts_with("Cell");
    if (cellFolder && !cellLevel_) continue;
    try {
      CreateFolders(subfolder);
    } catch (const Error&) {
      // Each file that cannot be written there is reported with its well.
    }
  }
  if (queue_.empty()) finish();
}

WellRequest BatchRun::request(int well) const {
  WellRequest request = PlateRequest(*plate_, settings_, cellLevel_, fitRadius_);
  request.cutoffs = cutoffs_;
  if (rings_) request.ring = rings_->reviewed(well);
  if (request.ring) request.ringSource = RingSourceName(RingSource::Reviewed);
  if (well < static_cast<int>(heldRings_.size()) && heldRings_[well]) {
    request.ring = heldRings_[well];
    request.ringSource = kHeldRingSource;
    request.ringDrift = ringDrift_;
  }
  request.zoneCoverage = zoneCoverage_;
  return request;
}

BatchWellOutcome BatchRun::AnalyseWell(const Plate& plate, int well, const WellRequest& request,
                                       const std::string& resultsFolder) {
  const auto began = std::chrono::steady_clock::now();
  BatchWellOutcome outcome;
  outcome.well = well;
  const std::string name = WellName(well, plate.format);
  try {
    SessionOptions options;
    options.cellLevel = request.cellLevel;
    options.fitRadius = request.fitRadius;
    options.ring = request.ring;
    options.ringHeld = request.ringSource == kHeldRingSource;
    options.ringDrift = request.ringDrift;
    options.zoneCoverage = request.zoneCoverage;
    options.cutoffs = request.cutoffs;
    options.cellViews = false;          // the batch writes no gallery, pie or histogram
    options.wholeResult = false;        // nor the whole result picture
    options.ringMask = false;           // nor the green mosaic with its ring
    options.mosaicPictures = false;     // nor any mosaic: grey planes are enough
    options.overviewComposite = true;   // but the whole-well overview
    options.ringCropAsJpeg = true;      // the ring crop is only written
    options.marksWithComposite = true;  // one pass per composite
    WellSession session(plate, well, request.settings, options);
    outcome.fieldProblems = session.results().fieldProblems;
    outcome.analysed =
        AnalysedWell{session.results(), session.settings(), request, ProgramVersion()};
    // A file that cannot be written is no failed analysis: the numbers stand.
    std::error_code ignored;
    const auto write = [&](const std::function<void()>& writer) {
      try {
        writer();
      } catch (const std::exception& e) {
        outcome.writeFailures.push_back(e.what());
      }
    };
    write([&] {
      WriteFileAtomically(resultsFolder + "JPEGS/" + plate.prefix + name + ".jpg",
                          session.ringCropJpeg(), Durability::Deferred);
    });
    write([&] {
      WriteFileAtomically(WholeWellPictureFileName(resultsFolder, plate.prefix, name),
                          JpegBytes(session.wholeWellOverview(), name + " whole-well picture"),
                          Durability::Deferred);
    });
    if (request.cellLevel)
      write([&] { SaveWellData(session, resultsFolder, Durability::Deferred); });
    // The record comes last: a record on disk means the well's files are
    // there. A well whose files failed leaves none, not even an earlier run's.
    const std::string record = AnalysedWellFileName(resultsFolder, plate.prefix, name);
    if (outcome.writeFailures.empty()) {
      write([&] {
        WriteFileAtomically(record, AnalysedWellText(*outcome.analysed), Durability::Deferred);
      });
    }
    if (!outcome.writeFailures.empty()) std::filesystem::remove(record, ignored);
  } catch (const std::exception& e) {
    outcome.failure = "Well " + name + ": " + e.what();
    outcome.analysed.reset();
  }
  outcome.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
  return outcome;
}

BatchWellOutcome BatchRun::runWell(int well) const {
  const Plate& plate = *plate_;
  const std::string& folder = folder_;
  const WellRequest asked = request(well);
  std::optional<RecordMisfit> misfit;
  if (resume_) {
    const std::string record =
        AnalysedWellFileName(folder, plate.prefix, WellName(well, plate.format));
    std::error_code missing;
    if (std::filesystem::exists(record, missing)) {
      try {
        AnalysedWell earlier = ReadAnalysedWell(record, plate.format);
        // This well, this request, this plate's pictures unchanged: the earlier results stand.
        misfit = RecordFit(earlier, well, asked, plate);
        if (*misfit == RecordMisfit::Fits) {
          BatchWellOutcome outcome;
          outcome.well = well;
          outcome.fieldProblems = earlier.results.fieldProblems;
          // The pixel size is the plate's as opened now, not as it was then.
          earlier.results.pixelSize.reset();
          if (plate.pixelSize) {
            earlier.results.pixelSize =
                MosaicPixelSize(plate.pixelSize->micrometres, earlier.results.reducedFrom);
          }
          outcome.analysed = std::move(earlier);
          outcome.reused = true;
          return outcome;
        }
      } catch (const Error&) {
        misfit = RecordMisfit::Unusable;  // damaged or edited: no result
      }
    }
  }
  BatchWellOutcome outcome = AnalyseWell(plate, well, asked, folder);
  outcome.misfit = misfit;
  return outcome;
}

void BatchRun::readAhead(int well) const {
  std::vector<std::string> files;
  for (const FieldSource& source : WellFieldSources(*plate_, well)) {
    if (!source.file.empty() && std::find(files.begin(), files.end(), source.file) == files.end()) {
      files.push_back(source.file);
    }
  }
  ReadAhead(files);
}

void BatchRun::takeOutcome(BatchWellOutcome& outcome) {
  PlateResults& plateResults = results_;
  if (outcome.failure) {
    failures_.push_back({outcome.well, *outcome.failure});
    plateResults.forget(outcome.well);
  } else {
    (outcome.reused ? reused_ : analysed_) += 1;
    if (outcome.analysed->results.ringReviewed) ++reviewedRingsUsed_;
    if (outcome.misfit) recordsRedone_[static_cast<std::size_t>(*outcome.misfit)] += 1;
    plateResults.record(outcome.analysed->results, outcome.analysed->settings);
    lastSettings_ =
        outcome.analysed->settings;  // the well analysed last gives the universal settings
    if (outcome.analysed->results.cutoffs) {
      // but not the cut-offs it chose for itself.
      lastSettings_->nuclei.blueCutoff = settings_.nuclei.blueCutoff;
      lastSettings_->nuclei.greenCutoff = settings_.nuclei.greenCutoff;
    }
  }
  for (const std::string& message : outcome.writeFailures) {
    writeFailures_.push_back(
        {outcome.well, "Well " + WellName(outcome.well, plateResults.format) + ": " + message});
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
  // The next well's files are read from the disk while this one is analysed.
  if (!queue_.empty()) readAhead(queue_.front());
  BatchWellOutcome outcome = runWell(well);
  takeOutcome(outcome);
  reportProgress(outcome);
  return true;
}

void BatchRun::runToEnd(int jobs) {
  if (!started_) start();
  if (jobs > 1 && queue_.size() > 1) runInParallel(jobs);
  while (step()) {
  }
}

void BatchRun::runInParallel(int jobs) {
  for (BatchWellOutcome& outcome : analyseQueued(jobs)) takeOutcome(outcome);
}

std::vector<BatchWellOutcome> BatchRun::analyseQueued(int jobs, const std::atomic<bool>* cancel) {
  if (!started_) throw Error("The batch has not been started");
  const std::vector<int> wells(queue_.begin(), queue_.end());
  queue_.clear();
  std::vector<BatchWellOutcome> outcomes(wells.size());
  int done = 0;
  ParallelItems how;
  how.jobs = jobs;
  how.cancel = cancel;
  how.finished = [&](std::size_t i) {
    ++done;
    if (progress_) {
      progress_({done, queued_, outcomes[i].well, outcomes[i].milliseconds, outcomes[i].reused,
                 WellName(outcomes[i].well, plate_->format)});
    }
  };
  const std::vector<bool> analysed = RunOnThreads(
      wells.size(),
      [&](std::size_t i) {
        // The wells are taken in order: each job reads ahead the one it will
        // most likely take next.
        const std::size_t ahead = i + static_cast<std::size_t>(std::max(jobs, 1));
        if (ahead < wells.size()) readAhead(wells[ahead]);
        outcomes[i] = runWell(wells[i]);
      },
      how);
  // In queue order, as one thread would have left things.
  std::vector<BatchWellOutcome> finished;
  for (std::size_t i = 0; i < wells.size(); ++i) {
    if (analysed[i]) finished.push_back(std::move(outcomes[i]));
  }
  return finished;
}

void BatchRun::complete(std::vector<BatchWellOutcome> outcomes) {
  if (!started_) throw Error("The batch has not been started");
  if (finished_) return;
  if (static_cast<int>(outcomes.size()) < queued_) {
    cancelled_ = true;
    coversWholePlate_ = false;
  }
  for (BatchWellOutcome& outcome : outcomes) takeOutcome(outcome);
  queue_.clear();
  finish();
}

void BatchRun::finish() {
  finished_ = true;
  // The lock goes when the files are written, whichever way this ends.
  struct Release {
    std::unique_ptr<FolderLock>& lock;
    ~Release() { lock.reset(); }
  } release{lock_};
  if (!coversWholePlate_) {
    // A part of the plate: its wells' records and its manifest are its
    // results; the plate's files come from putting the parts together.
    const std::string manifest = partName_.empty()
                                     ? RunManifestFileName(folder_, plate_->prefix)
                                     : PartManifestFileName(folder_, plate_->prefix, partName_);
    try {
      SyncFolder(folder_);
      WriteFileAtomically(manifest, RunManifestText(*plate_, results_, facts()));
      plateFiles_.push_back({manifest, ""});
    } catch (const Error& e) {
      plateFiles_.push_back({manifest, e.what()});
    }
    return;
  }
  std::vector<CellLine> lines = headerLines_;
  for (CellLine& line : SummaryResultLines(results_)) lines.push_back(std::move(line));
  try {
    // The wells' files are made durable together before the summary names them.
    SyncFolder(folder_);
    WriteSummaryFile(summaryFile_, lines, {});
  } catch (const Error& e) {
    summaryError_ = std::string(e.what()) + "; the earlier summary file is kept";
    return;  // the workbook, tables and the rest stay those that match the summary file
  }
  writePlateFiles(lines);
}

RunFacts BatchRun::facts() const {
  RunFacts facts;
  facts.commandLine = commandLine_;
  facts.started = startTime_;
  facts.ended = std::time(nullptr);
  facts.cellLevel = cellLevel_;
  facts.fitRadius = fitRadius_;
  facts.cutoffs = cutoffs_;
  if (rings_) facts.ringsFile = rings_->path;
  facts.wholePlate = coversWholePlate_;
  facts.settings = settings_;
  facts.plateMap = plateMap_;
  for (const BatchFailure& failure : failures_)
    facts.failures.push_back({failure.well, failure.message});
  return facts;
}

void BatchRun::writePlateFiles(const std::vector<CellLine>& summaryLines) {
  plateFiles_ = WritePlateFiles(*plate_, results_, facts(), folder_, summaryLines, writeWorkbook_);
  if (writeWorkbook_ && !plateFiles_.empty()) {  // the workbook comes first
    const PlateFileOutcome& workbook = plateFiles_.front();
    if (workbook.error.empty()) {
      workbookFile_ = workbook.path;
    } else {
      workbookError_ = workbook.error;
    }
  }
}

std::vector<std::string> BatchRun::problems() const {
  std::vector<std::string> lines;
  for (const auto& [well, problem] : fieldProblems_) {
    lines.push_back(std::string(problem.leftBlack() ? "left black" : "damaged") + ": Well " +
                    WellName(well, plate_->format) + ": " + problem.message);
  }
  for (const auto* list : {&failures_, &writeFailures_}) {
    for (const BatchFailure& failure : *list) lines.push_back(failure.message);
  }
  if (!summaryError_.empty()) lines.push_back(summaryError_);
  for (const PlateFileOutcome& file : plateFiles_) {
    if (!file.error.empty()) lines.push_back(file.error);
  }
  return lines;
}

int BatchRun::recordsRedone() const {
  int redone = 0;
  for (const int count : recordsRedone_) redone += count;
  return redone;
}

std::string BatchRun::recordsRedoneText() const {
  std::string text;
  for (int k = 0; k < kRecordMisfitCount; ++k) {
    if (recordsRedone_[static_cast<std::size_t>(k)] == 0) continue;
    text += text.empty() ? "" : ", ";
    text += std::to_string(recordsRedone_[static_cast<std::size_t>(k)]) + " " +
            std::string(RecordMisfitText(static_cast<RecordMisfit>(k)));
  }
  return text;
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

void BatchRun::reportProgress(const BatchWellOutcome& outcome) {
  if (!progress_) return;
  const int done = analysed_ + reused_ + static_cast<int>(failures_.size());
  progress_({done, queued_, outcome.well, outcome.milliseconds, outcome.reused,
             WellName(outcome.well, plate_->format)});
}

}  // namespace vembrel
