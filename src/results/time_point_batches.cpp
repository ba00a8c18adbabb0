#include "results/time_point_batches.h"

#include "core/error.h"
#include "core/text_file.h"

namespace vembrel {

std::string TimePointFolder(const std::string& resultsFolder, int number) {
  return resultsFolder + "TimePoint_" + std::to_string(number) + "/";
}

TimePointAnalyser TimePointBatches(const TimeCourseOptions& course,
                                   const TimePointBatchOptions& options,
                                   std::vector<TimePointBatchReport>& reports) {
  return [&course, &options, &reports](const TimePointWork& work) {
    TimePointOutcome outcome;
    TimePointBatchReport report;
    report.timePoint = work.index;
    report.folder = TimePointFolder(options.resultsFolder, work.number);
    BatchRun batch(options.part ? *work.opened : *work.plate, course.settings, report.folder);
    batch.setRings(options.rings);
    batch.setHeldRings(work.held, course.ringDrift);
    batch.setZoneCoverage(true);
    batch.setCellLevel(course.cellLevel);
    batch.setFitRadius(course.fitRadius);
    batch.setPlateMap(options.plateMap);
    batch.setWriteWorkbook(options.writeWorkbook);
    batch.setResume(options.resume);
    batch.setCommandLine(options.commandLine);
    if (options.part) {
      std::vector<int> wells;
      for (int well = 0; well < work.plate->format.wellCount(); ++well) {
        if (work.plate->wells[well].state == 1) wells.push_back(well);
      }
      batch.setWells(std::move(wells));
      batch.setPartName(options.partName);
    }
    if (options.progress) {
      batch.setProgress([&options, &work](const BatchProgress& progress) {
        options.progress(work.index, progress);
      });
    }
    batch.runToEnd(course.jobs);

    outcome.wells.resize(static_cast<std::size_t>(work.plate->format.wellCount()));
    for (int well = 0; well < work.plate->format.wellCount(); ++well) {
      if (const auto& results = batch.results().wells[well]) outcome.wells[well] = *results;
    }
    for (const BatchFailure& failure : batch.failures()) {
      outcome.failures.push_back({work.index, failure.well, failure.message});
    }
    report.writeFailures = batch.writeFailures();
    report.fieldProblems = batch.fieldProblems();
    report.summaryFile = batch.summaryFile();
    report.summaryError = batch.summaryError();
    report.plateFiles = batch.plateFiles();
    report.wellsReused = batch.wellsReused();
    report.reviewedRingsUsed = batch.reviewedRingsUsed();
    reports.push_back(std::move(report));
    return outcome;
  };
}

TimeCourseFolderRun RunTimeCourseInFolder(const std::vector<TimePointPlate>& series,
                                          const TimeCourseOptions& course,
                                          const TimePointBatchOptions& options,
                                          const KineticChoice& heatmap) {
  try {
    CreateFolders(options.resultsFolder);
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
  const FolderLock lock(options.resultsFolder, options.waitForFolder, options.waitNotice);
  TimeCourseFolderRun run;
  run.course = RunTimeCourse(series, course, TimePointBatches(course, options, run.reports));
  if (options.part) return run;
  const std::string& prefix = series.front().plate.prefix;
  try {
    run.written = WriteTimeCourseFiles(options.resultsFolder, prefix, run.course, options.plateMap);
    const std::string page = TimeCourseReportFileName(options.resultsFolder, prefix);
    WriteFileAtomically(page, TimeCourseReport(run.course, prefix, heatmap));
    run.written.push_back(page);
  } catch (const Error& e) {
    run.writeError = e.what();
  }
  return run;
}

}  // namespace vembrel
