#pragma once
// A time course run as the ordinary plate batch once per time point: each
// time point's wells are analysed, their snapshots, records, summary,
// workbook, tables, manifest and report written into a folder of its own,
// the later time points with each well's ring held from its first.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/folder_lock.h"
#include "results/batch_run.h"
#include "results/time_course.h"
#include "results/time_course_report.h"

namespace vembrel {

struct TimePointBatchOptions {
  std::string resultsFolder;       // the course's folder, ending with a separator
  std::optional<RingsFile> rings;  // reviewed rings, used where a well is seen first
  std::optional<MapRequest> plateMap;
  bool writeWorkbook = true;
  bool resume = false;  // reuse the records earlier runs left in the time points' folders
  /// The wells followed are a part of the plate (a shard): each time point
  /// writes their records and its manifest, not the plate's files.
  bool part = false;
  /// The part's name ("shard-2-of-4"): each time point's manifest of the part
  /// is named after it, so parts run into one folder keep each other's.
  std::string partName;
  std::string commandLine;
  /// Wait while another run holds the results folder (else UsageError), told
  /// whom it waits for.
  bool waitForFolder = false;
  FolderLock::WaitNotice waitNotice;
  /// Called after every finished well, with the time point's index.
  std::function<void(int timePoint, const BatchProgress&)> progress;
};

/// What one time point's batch did.
struct TimePointBatchReport {
  int timePoint = 0;   // index into the series
  std::string folder;  // its results folder
  std::vector<BatchFailure> writeFailures;
  std::vector<BatchRun::WellFieldProblem> fieldProblems;
  std::string summaryFile;
  std::string summaryError;
  std::vector<PlateFileOutcome> plateFiles;
  int wellsReused = 0;
  int reviewedRingsUsed = 0;
};

/// The folder of a time point's batch: the course's folder +
/// "TimePoint_<number>/".
std::string TimePointFolder(const std::string& resultsFolder, int number);

/// An analyser for RunTimeCourse that runs each time point's batch into its
/// folder with the course's settings, cell level, fit radius and ring
/// drift, and adds what each batch did to `reports`.
TimePointAnalyser TimePointBatches(const TimeCourseOptions& course,
                                   const TimePointBatchOptions& options,
                                   std::vector<TimePointBatchReport>& reports);

/// What a time course run into a results folder did.
struct TimeCourseFolderRun {
  TimeCourse course;
  std::vector<TimePointBatchReport> reports;
  std::vector<std::string> written;  // the course's tables and page, when written
  std::string writeError;            // why they were not written; "" when they were
};

/// A time course into options.resultsFolder, as `vembrel timecourse` runs it
/// once its input is checked: the folder made and held, each time point's
/// batch run into its folder (TimePointBatches) and, unless the run is a
/// part, the course's tables (WriteTimeCourseFiles) and page written beside
/// them, named with the plate's prefix. Throws UsageError when the folder
/// cannot be made or another run holds it.
TimeCourseFolderRun RunTimeCourseInFolder(const std::vector<TimePointPlate>& series,
                                          const TimeCourseOptions& course,
                                          const TimePointBatchOptions& options,
                                          const KineticChoice& heatmap);

}  // namespace vembrel
