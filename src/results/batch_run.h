#pragma once
// The batch over the plate ("Go!"): a plate, the settings and a results
// folder; set-up with the special-settings blocks of the desktop's open
// wells, one well per step, and at the end the summary file and the
// workbook, each written once and complete. It knows nothing of windows: the
// command line runs the steps straight through, on several threads if asked;
// the desktop program analyses the queue on worker threads of its own
// (analyseQueued), completes the batch on its own thread, may cancel it
// between wells, and takes the plate's results back.
#include <array>
#include <atomic>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/analysed_well.h"
#include "engine/well_session.h"
#include "plate/analysis_settings.h"
#include "results/plate_files.h"
#include "results/rings_file.h"

namespace vembrel {

class FolderLock;
struct Plate;
struct WellResults;

/// A queued well whose analysis failed; its results are left blank.
struct BatchFailure {
  int well = 0;
  std::string message;  // names the well
};

/// What analysing one well of a batch gave.
struct BatchWellOutcome {
  int well = 0;
  std::optional<AnalysedWell> analysed;     // its results, unless the analysis failed
  std::optional<std::string> failure;       // the analysis failed: no results
  std::vector<std::string> writeFailures;   // files that could not be written, one message each
  std::vector<FieldProblem> fieldProblems;  // fields left black or damaged
  bool reused = false;                      // taken from an earlier run's record
  std::optional<RecordMisfit> misfit;       // why an earlier record was not reused
  double milliseconds = 0;                  // time it took
};

/// Where a batch stands after a well.
struct BatchProgress {
  int done = 0;   // wells finished, reused ones included
  int total = 0;  // wells queued
  int well = 0;   // the well just finished
  double milliseconds = 0;
  bool reused = false;
  std::string wellName;  // the name of the well just finished
};

class BatchRun {
 public:
  /// A batch over the plate's included wells, analysed with these settings,
  /// its files written into resultsFolder (a separator added when missing).
  BatchRun(const Plate& plate, const AnalysisSettings& settings, std::string resultsFolder);
  ~BatchRun();

  /// The desktop's open wells, front first, and the plate's results so far:
  /// an open well analysed with settings of its own keeps its results and is
  /// not analysed again; its settings are written into the summary file.
  void setOpenWells(std::vector<int> wells, const PlateResults& results);

  /// Also write the workbook at the end (on by default).
  void setWriteWorkbook(bool write) { writeWorkbook_ = write; }
  /// Analyse the wells at cell level (writing their cell data files too;
  /// off by default).
  void setCellLevel(bool cells) { cellLevel_ = cells; }
  /// Read the results through a plate map: its columns in the wells table,
  /// the conditions, plate quality and dose-response tables and sheets.
  void setPlateMap(std::optional<MapRequest> request) { plateMap_ = std::move(request); }
  /// Fit each well's zone size within this range instead of the settings' radius.
  void setFitRadius(std::optional<RadiusRange> range) { fitRadius_ = range; }
  /// Choose each well's nucleus cut-offs from its own pictures (Well) or
  /// keep the settings' for the plate (Plate, the default).
  void setCutoffs(CutoffMode mode) { cutoffs_ = mode; }
  /// Analyse the wells with a reviewed ring in these rings at that ring
  /// instead of fitting one; nothing: fit every ring. Without this call,
  /// start() reads the results folder's rings file when there is one.
  void setRings(std::optional<RingsFile> rings) {
    rings_ = std::move(rings);
    ringsChosen_ = true;
  }
  /// A time course's later time point: analyse each well that has a ring
  /// here at that ring, held from the well's first time point (its centre
  /// fitted afresh within `drift` pixels of it when given).
  void setHeldRings(std::vector<std::optional<Ring>> rings, std::optional<int> drift) {
    heldRings_ = std::move(rings);
    ringDrift_ = drift;
  }
  /// Measure each well's zone coverage too (time courses).
  void setZoneCoverage(bool measure) { zoneCoverage_ = measure; }
  /// Wait for another run to leave the results folder instead of refusing to start.
  void setWaitForFolder(bool wait, std::function<void(const std::string& holder)> notice = {}) {
    waitForFolder_ = wait;
    waitNotice_ = std::move(notice);
  }
  /// The command line that started the run, for the run manifest.
  void setCommandLine(std::string commandLine) { commandLine_ = std::move(commandLine); }
  /// Called after every finished well; from the worker threads in a
  /// parallel run, never two calls at once.
  void setProgress(std::function<void(const BatchProgress&)> progress) {
    progress_ = std::move(progress);
  }
  /// Analyse only these wells (indexes; those not included are passed over).
  /// A run that leaves included wells out writes its wells' files and
  /// records but no plate-level files.
  void setWells(std::vector<int> wells) { selection_ = std::move(wells); }
  /// Reuse the wells' records an earlier run left in the results folder when
  /// they were made for the same request.
  void setResume(bool resume) { resume_ = resume; }
  /// Names the manifest the batch writes when it covers a part of the plate
  /// (PartManifestFileName), so parts run into one folder keep each other's;
  /// "" (the default): the plate's manifest name.
  void setPartName(std::string name) { partName_ = std::move(name); }

  /// "Go!": reads the results folder's rings file unless rings were chosen
  /// (UsageError naming the line and value of a bad one, before anything
  /// else), takes the results folder (one run at a time: FolderInUseError
  /// when another run holds it), removes what killed runs left there,
  /// records the special-settings blocks and queues the included wells. A
  /// set-up that queues nothing finishes the batch at once.
  void start();
  /// One timer tick: analyses the next queued well, or ends the batch when
  /// the queue is empty. Returns whether the batch still runs.
  bool step();
  bool finished() const { return finished_; }
  /// start() (unless done already) and every remaining step; jobs > 1
  /// analyses the queued wells on that many threads.
  void runToEnd(int jobs = 1);

  /// Analyses the queued wells on that many threads (at least one) and
  /// empties the queue. Reads only what start() took and changes nothing of
  /// the run, so it may run on a thread of its own while the run's thread
  /// goes on. Once cancel is set no further well is begun. Returns the
  /// outcomes of the wells analysed, in queue order.
  std::vector<BatchWellOutcome> analyseQueued(int jobs, const std::atomic<bool>* cancel = nullptr);
  /// On the run's thread: takes the outcomes into the plate's results and
  /// ends the batch. A batch that analysed fewer wells than it queued
  /// (cancelled) ends as a part of the plate: its wells' files and records
  /// and its manifest, the plate's earlier files kept.
  void complete(std::vector<BatchWellOutcome> outcomes);
  bool cancelled() const { return cancelled_; }

  const std::deque<int>& queue() const { return queue_; }
  const std::string& resultsFolder() const { return folder_; }
  /// The plate's results: the wells analysed or reused, and the open wells kept.
  const PlateResults& results() const { return results_; }
  /// The settings of the well analysed last (none before any), which the
  /// desktop takes as its universal settings.
  const std::optional<AnalysisSettings>& lastSettings() const { return lastSettings_; }
  int wellsQueued() const { return queued_; }
  int wellsAnalysed() const { return analysed_; }
  /// Wells taken over from the records of an earlier run (--resume).
  int wellsReused() const { return reused_; }
  /// The rings the run takes reviewed rings from (none: every ring fitted).
  const std::optional<RingsFile>& rings() const { return rings_; }
  /// Wells analysed (or reused) at a reviewed ring.
  int reviewedRingsUsed() const { return reviewedRingsUsed_; }
  /// Wells analysed again although they had a record (--resume), because
  /// the record did not fit; and how many for each reason, as text:
  /// "90 of another plate, 1 edited or unusable".
  int recordsRedone() const;
  std::string recordsRedoneText() const;
  /// Whether the run covers every included well (and so writes the plate's files).
  bool coversWholePlate() const { return coversWholePlate_; }
  const std::vector<BatchFailure>& failures() const { return failures_; }
  /// Files that could not be written, with the well (the analysis stands).
  const std::vector<BatchFailure>& writeFailures() const { return writeFailures_; }
  /// Fields left black (missing, unreadable, empty, of the wrong size) or
  /// damaged (only partly decoded), with their well.
  struct WellFieldProblem {
    int well = 0;
    FieldProblem problem;
  };
  const std::vector<WellFieldProblem>& fieldProblems() const { return fieldProblems_; }
  /// Fields left black, and the wells they are in.
  int fieldsLeftBlack() const;
  int wellsWithFieldsLeftBlack() const;
  int fieldsDamaged() const;
  const std::string& summaryFile() const { return summaryFile_; }
  /// Why the summary file could not be written ("" when it was).
  const std::string& summaryError() const { return summaryError_; }
  /// "" without a workbook (not asked for, or not written).
  const std::string& workbookFile() const { return workbookFile_; }
  /// Why the workbook could not be written ("" when it was or was not asked for).
  const std::string& workbookError() const { return workbookError_; }
  /// The plate files written after the summary (workbook, tables, manifest,
  /// heatmaps, report) and why any could not be; empty when the summary failed.
  const std::vector<PlateFileOutcome>& plateFiles() const { return plateFiles_; }
  /// Every problem above, one line each, as the user is told them: fields
  /// left black or damaged, failed wells, files not written, the summary and
  /// the plate files that could not be written.
  std::vector<std::string> problems() const;

  /// Analyses one well of the plate as the batch does and writes its
  /// snapshot (at cell level its cell data file and cell snapshot too) and
  /// its record into resultsFolder. Thread-safe.
  static BatchWellOutcome AnalyseWell(const Plate& plate, int well, const WellRequest& request,
                                      const std::string& resultsFolder);

 private:
  /// The well's outcome: reused from its record, or analysed now.
  BatchWellOutcome runWell(int well) const;
  /// Has the kernel start reading the well's field files, to be analysed next.
  void readAhead(int well) const;
  void takeOutcome(BatchWellOutcome& outcome);
  void runInParallel(int jobs);
  void finish();
  void reportProgress(const BatchWellOutcome& outcome);
  WellRequest request(int well) const;
  void writePlateFiles(const std::vector<CellLine>& summaryLines);
  RunFacts facts() const;

  std::unique_ptr<Plate> plate_;  // read by the workers
  std::string folder_;
  std::string partName_;
  AnalysisSettings settings_;
  PlateResults results_;
  std::vector<int> openWells_;  // front first
  std::optional<AnalysisSettings> lastSettings_;
  std::vector<CellLine> headerLines_;
  std::deque<int> queue_;
  std::vector<BatchFailure> failures_;
  std::vector<BatchFailure> writeFailures_;
  std::vector<WellFieldProblem> fieldProblems_;
  std::unique_ptr<FolderLock> lock_;
  bool waitForFolder_ = false;
  std::function<void(const std::string&)> waitNotice_;
  std::function<void(const BatchProgress&)> progress_;
  std::optional<std::vector<int>> selection_;
  bool resume_ = false;
  bool coversWholePlate_ = true;
  int reused_ = 0;
  std::array<int, kRecordMisfitCount> recordsRedone_{};
  std::string summaryFile_;
  std::string summaryError_;
  std::string workbookFile_;
  std::string workbookError_;
  std::vector<PlateFileOutcome> plateFiles_;
  std::string commandLine_;
  std::time_t startTime_ = 0;
  bool writeWorkbook_ = true;
  bool cellLevel_ = false;
  std::optional<RadiusRange> fitRadius_;
  CutoffMode cutoffs_ = CutoffMode::Plate;
  std::optional<RingsFile> rings_;
  bool ringsChosen_ = false;
  int reviewedRingsUsed_ = 0;
  std::vector<std::optional<Ring>> heldRings_;  // per well; empty: none held
  std::optional<int> ringDrift_;
  bool zoneCoverage_ = false;
  std::optional<MapRequest> plateMap_;
  bool started_ = false;
  bool finished_ = false;
  bool cancelled_ = false;
  int queued_ = 0;
  int analysed_ = 0;
};

}  // namespace vembrel
