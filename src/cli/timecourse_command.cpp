// `vembrel timecourse PLATE...`: a plate imaged again and again, each well's
// ring fitted on its first time point and held, every time point analysed;
// writes the time course and kinetics tables.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include "cli/analysis_options.h"
#include "cli/batch_progress.h"
#include "cli/batch_runner.h"
#include "cli/command.h"
#include "cli/command_line.h"
#include "cli/plate_options.h"
#include "cli/timecourse_runner.h"
#include "core/convert.h"
#include "core/memory_tuning.h"
#include "core/text_file.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"
#include "results/plate_map.h"
#include "results/results_json.h"
#include "results/time_course.h"
#include "results/time_course_report.h"
#include "results/time_point_batches.h"

namespace vembrel::cli {
namespace {

template <typename Work>
auto AsUsage(Work work) {
  try {
    return work();
  } catch (const UsageError&) {
    throw;
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
}

}  // namespace

int RunTimeCourseCommand(const TimeCourseCommandOptions& options) {
  for (const std::string& plate : options.plates) {
    std::error_code error;
    if (!std::filesystem::exists(plate, error)) {
      throw UsageError("Unable to open picture '" + plate + "': no such file or folder");
    }
  }
  if (options.plates.size() > 1 && options.plate.timePoint > 0) {
    throw UsageError("--time chooses a time point of one plate; several plates are a series");
  }
  // A plate map that cannot be used stops the run before anything is done.
  TimePointBatchOptions batches;
  batches.plateMap = ReadPlateMapOptions(options.plateMap, options.cells);
  const KineticChoice heatmap = AsUsage([&] { return ParseKineticChoice(options.heatmap); });
  TimeCourseOptions run;
  if (!options.settings.empty()) {
    run.settings = AsUsage([&] { return ReadSettingsFile(options.settings); });
  }
  std::vector<std::string> notes;
  std::vector<std::string> absolute;
  for (const std::string& plate : options.plates) {
    absolute.push_back(std::filesystem::absolute(plate).lexically_normal().string());
  }
  const std::vector<TimePointPlate> series =
      AsUsage([&] { return OpenTimeSeries(absolute, options.plate, options.hours, notes); });
  const Plate& first = series.front().plate;
  for (const std::string& note : first.notes) std::cerr << "vembrel: note: " << note << "\n";
  for (const std::string& note : notes) std::cerr << "vembrel: note: " << note << "\n";
  if (batches.plateMap) {
    batches.plateMap->map = MapOnPlate(std::move(batches.plateMap->map), first.format);
    if (const std::string note = UnmappedWellsNote(batches.plateMap->map, first); !note.empty()) {
      std::cerr << "vembrel: note: " << note << "\n";
    }
  }
  std::cerr << "vembrel: " << series.size() << " time points; each well's ring is fitted at its "
            << "first and held"
            << (options.ringDrift ? " within " + std::to_string(*options.ringDrift) + " px" : "")
            << "\n";

  run.cellLevel = options.cells;
  run.fitRadius = options.fitRadius;
  run.ringDrift = options.ringDrift;
  run.jobs = options.jobs > 0 ? options.jobs : DefaultJobCount();
  if (!options.wells.empty())
    run.wells = AsUsage([&] { return ParseWellList(options.wells, first.format); });
  if (!options.shard.empty()) {
    // A part of the wells included at any time point (of the list, when given).
    std::vector<int> candidates;
    for (int well = 0; well < first.format.wellCount(); ++well) {
      const bool listed = run.wells.empty() ||
                          std::find(run.wells.begin(), run.wells.end(), well) != run.wells.end();
      const bool anywhere = std::any_of(series.begin(), series.end(), [&](const auto& point) {
        return point.plate.wells[well].state == 1;
      });
      if (listed && anywhere) candidates.push_back(well);
    }
    const auto [part, parts] = AsUsage([&] {
      const std::size_t slash = options.shard.find('/');
      if (slash == std::string::npos) throw Error("'" + options.shard + "' is no shard I/N");
      return std::pair{StrToInt(options.shard.substr(0, slash)),
                       StrToInt(options.shard.substr(slash + 1))};
    });
    run.wells = AsUsage([&] { return ShardOf(candidates, part, parts); });
    if (run.wells.empty()) throw UsageError("Shard " + options.shard + " holds no well");
    batches.part = true;
    // Shards share the results folder: each time point keeps every shard's manifest.
    batches.partName = "shard-" + std::to_string(part) + "-of-" + std::to_string(parts);
  }

  std::string folder = options.results.empty() ? ResultsFolderOf(first.path) : options.results;
  if (folder.empty()) {
    throw UsageError("No results folder can be derived from '" + options.plates.front() +
                     "'; use --results");
  }
  if (folder.back() != '/') folder += '/';
  // A bad rings file stops the run before anything is written.
  if (options.rings != "none") {
    const std::string file =
        !options.rings.empty() ? options.rings : RingsFileName(folder, first.prefix);
    std::error_code missing;
    if (!options.rings.empty() || std::filesystem::exists(file, missing)) {
      batches.rings = ReadRingsFile(file);
    }
  }
  batches.resultsFolder = folder;
  batches.writeWorkbook = !options.noWorkbook;
  batches.resume = options.resume;
  batches.commandLine = ThisCommandLine();
  batches.waitForFolder = options.wait;
  batches.waitNotice = [](const std::string& holder) {
    std::cerr << "vembrel: waiting for " << holder << " to finish\n";
  };
  const ProgressStyle style = ProgressStyleOf(options.progress, isatty(STDERR_FILENO) == 1);
  std::function<void(const BatchProgress&)> reporter;
  int reporting = -1;
  batches.progress = [&](int timePoint, const BatchProgress& progress) {
    if (timePoint != reporting) {  // a fresh bar for each time point
      if (style == ProgressStyle::Line && reporting >= 0) std::cerr << "\n";
      if (style == ProgressStyle::Line) {
        std::cerr << "time point " << timePoint + 1 << "/" << series.size() << "\n";
      }
      reporter = ProgressReporter(style);
      reporting = timePoint;
    }
    if (reporter) reporter(progress);
  };
  const TimeCourseFolderRun done = RunTimeCourseInFolder(series, run, batches, heatmap);
  const TimeCourse& course = done.course;
  const std::vector<TimePointBatchReport>& reports = done.reports;
  if (style == ProgressStyle::Line && reporting >= 0) std::cerr << "\n";

  std::vector<std::string> failed;
  for (const TimePointBatchReport& report : reports) {
    const std::string at = "time point " + std::to_string(course.numbers[report.timePoint]) + ": ";
    for (const auto& [well, problem] : report.fieldProblems) {
      std::cerr << "vembrel: " << at << (problem.leftBlack() ? "left black" : "damaged")
                << ": Well " << WellName(well, course.format) << ": " << problem.message << "\n";
    }
    for (const BatchFailure& failure : report.writeFailures) {
      std::cerr << "vembrel: " << at << failure.message << "\n";
      failed.push_back(failure.message);
    }
    if (!report.summaryError.empty()) {
      std::cerr << "vembrel: " << at << report.summaryError << "\n";
      failed.push_back(report.summaryFile);
    }
    for (const PlateFileOutcome& file : report.plateFiles) {
      if (file.error.empty()) continue;
      std::cerr << "vembrel: " << at << file.error << "\n";
      failed.push_back(file.path);
    }
  }
  int missing = 0;
  for (const int well : course.followed) {
    for (std::size_t t = 0; t < course.hours.size(); ++t) {
      if (!course.wells[t][well]) {
        ++missing;
        break;
      }
    }
  }
  if (missing > 0) {
    std::cerr << "vembrel: " << missing << (missing == 1 ? " well lacks" : " wells lack")
              << " some time points; their kinetics are flagged missing_time_points\n";
  }
  for (const TimeCourseFailure& failure : course.failures) {
    std::cerr << "vembrel: time point " << course.numbers[failure.timePoint] << ": "
              << failure.message << "\n";
    failed.push_back("well " + WellName(failure.well, course.format) + " at time point " +
                     std::to_string(course.numbers[failure.timePoint]));
  }
  const std::vector<std::string>& written = done.written;
  if (!done.writeError.empty()) {
    std::cerr << "vembrel: " << done.writeError << "\n";
    failed.push_back(done.writeError);
  }
  int reused = 0;
  for (const TimePointBatchReport& report : reports) reused += report.wellsReused;
  if (options.json) {
    // One line per well and time point, in plate order, then time order.
    for (const int well : course.followed) {
      for (std::size_t t = 0; t < course.hours.size(); ++t) {
        nlohmann::ordered_json line;
        if (const auto& at = course.wells[t][well]) {
          line = WellResultsJson(at->results);
          line["ring_drift"] = at->ringDrift;
        } else {
          const auto failure = std::find_if(
              course.failures.begin(), course.failures.end(),
              [&](const auto& f) { return f.well == well && f.timePoint == static_cast<int>(t); });
          if (failure == course.failures.end()) continue;
          line = {{"well", WellName(well, course.format)}, {"error", failure->message}};
        }
        line["time_point"] = course.numbers[t];
        line["hours"] = course.hours[t];
        if (batches.plateMap) line["variables"] = MapVariablesJson(batches.plateMap->map, well);
        std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
      }
    }
    std::cout.flush();
  }
  std::ostream& closing = options.json ? std::cerr : std::cout;
  closing << "Followed " << course.followed.size() << " wells over " << course.hours.size()
          << " time points";
  if (reused > 0) closing << " (" << reused << " wells at time points reused)";
  if (batches.part) {
    closing << "; wrote the records of a part of the wells in " << folder
            << "TimePoint_<n>/WellResults/ (the run with --resume over all wells puts the "
               "parts together)\n";
  } else {
    closing << "; wrote";
    for (const std::string& file : written) closing << " " << file;
    closing << " and each time point's files in " << folder << "TimePoint_<n>/\n";
  }
  if (!failed.empty()) {
    closing << "Failed: ";
    for (std::size_t i = 0; i < failed.size(); ++i) closing << (i > 0 ? "; " : "") << failed[i];
    closing << "\n";
  }
  return failed.empty() ? 0 : 1;
}

namespace {

const CommandRegistration kTimeCourseCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<TimeCourseCommandOptions>();
  CLI::App* command = app.add_subcommand(
      "timecourse", "Follow every well of a plate imaged at several time points");
  command
      ->add_option("plates", options->plates,
                   "A plate holding several time points, or one plate (picture or folder) per "
                   "time point in time order")
      ->required();
  AddPlateOpenOptions(*command, options->plate);
  AddFitRadiusOption(*command, options->fitRadius);
  command->add_option("--hours", options->hours, "Hours of the time points, e.g. 0,6,12,24")
      ->type_name("LIST");
  command
      ->add_option("--ring-drift", options->ringDrift,
                   "Re-fit later time points' rings within PX pixels of the first")
      ->check(CLI::Range(0, 1024))
      ->type_name("PX");
  command->add_option("--settings", options->settings, "Universal settings file (.VLS)");
  command->add_flag("--cells", options->cells, "Work at cell level");
  command->add_option("--wells", options->wells, "Follow only these wells, e.g. A01-A12,C05")
      ->type_name("LIST");
  command
      ->add_option("--shard", options->shard,
                   "Follow the I-th of N interleaved parts of the wells (records only; a run with "
                   "--resume puts the parts together)")
      ->type_name("I/N");
  command
      ->add_option("--jobs", options->jobs,
                   "Wells analysed at once (default: the cores, at most one per 128 MiB of "
                   "available memory)")
      ->check(CLI::PositiveNumber);
  command->add_option("--results", options->results,
                      "Results folder (default: beside the picture folder)");
  command->add_flag("--wait", options->wait,
                    "Wait while another run writes into the results folder (else exit 2)");
  command->add_flag("--no-xlsx", options->noWorkbook, "Do not write the time points' workbooks");
  command->add_flag("--resume", options->resume,
                    "Reuse the wells at time points an earlier run of the same request left");
  command
      ->add_option("--rings", options->rings,
                   "Rings file whose reviewed rings are used where a well is seen first, or none "
                   "(default: <prefix>Vembrel_rings.csv in the results folder, when there)")
      ->type_name("FILE|none");
  command->add_option("--progress", options->progress, "Progress on stderr: line, json, none, auto")
      ->check(CLI::IsMember({"line", "json", "none", "auto"}));
  command->add_flag("--json", options->json,
                    "Print each well's results at each time point as a JSON line (the closing "
                    "line goes to stderr)");
  command
      ->add_option("--heatmap", options->heatmap,
                   "The kinetic the page's plate heatmap shows, e.g. zone_coverage:t_half, "
                   "nuclei:slope")
      ->type_name("READOUT:KINETIC");
  AddPlateMapOptions(*command, options->plateMap);
  command->callback([options, &exitCode] {
    RunWithExitCode(exitCode, [&] { return RunTimeCourseCommand(*options); });
  });
});

}  // namespace
}  // namespace vembrel::cli
