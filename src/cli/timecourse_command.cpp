// `vembrel timecourse PLATE...`: a plate imaged again and again, each well's
// ring fitted on its first time point and held, every time point analysed;
// writes the time course and kinetics tables.
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/analysis_options.h"
#include "cli/batch_runner.h"
#include "cli/command.h"
#include "cli/plate_options.h"
#include "cli/timecourse_runner.h"
#include "core/folder_lock.h"
#include "core/memory_tuning.h"
#include "core/text_file.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"
#include "results/time_course.h"

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
  std::cerr << "vembrel: " << series.size() << " time points; each well's ring is fitted at its "
            << "first and held"
            << (options.ringDrift ? " within " + std::to_string(*options.ringDrift) + " px" : "")
            << "\n";

  run.cellLevel = options.cells;
  run.fitRadius = options.fitRadius;
  run.ringDrift = options.ringDrift;
  run.jobs = options.jobs > 0 ? options.jobs : DefaultJobCount();
  if (!options.wells.empty()) run.wells = AsUsage([&] { return ParseWellList(options.wells); });

  std::string folder = options.results.empty() ? ResultsFolderOf(first.path) : options.results;
  if (folder.empty()) {
    throw UsageError("No results folder can be derived from '" + options.plates.front() +
                     "'; use --results");
  }
  if (folder.back() != '/') folder += '/';
  AsUsage([&] {
    CreateFolders(folder);
    return 0;
  });
  const FolderLock lock(folder, options.wait, [](const std::string& holder) {
    std::cerr << "vembrel: waiting for " << holder << " to finish\n";
  });

  const TimeCourse course = RunTimeCourse(series, run);
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
    std::cerr << "vembrel: well " << WellName(failure.well) << " at time point "
              << course.numbers[failure.timePoint] << ": " << failure.message << "\n";
  }
  std::vector<std::string> written;
  try {
    written = WriteTimeCourseFiles(folder, first.prefix, course);
  } catch (const Error& e) {
    std::cerr << "vembrel: " << e.what() << "\n";
    return 1;
  }
  std::cout << "Followed " << course.followed.size() << " wells over " << course.hours.size()
            << " time points; wrote";
  for (const std::string& file : written) std::cout << " " << file;
  std::cout << "\n";
  return course.failures.empty() ? 0 : 1;
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
      ->add_option("--jobs", options->jobs,
                   "Wells analysed at once (default: the cores, at most one per 128 MiB of "
                   "available memory)")
      ->check(CLI::PositiveNumber);
  command->add_option("--results", options->results,
                      "Results folder (default: beside the picture folder)");
  command->add_flag("--wait", options->wait,
                    "Wait while another run writes into the results folder (else exit 2)");
  command->callback([options, &exitCode] {
    RunWithExitCode(exitCode, [&] { return RunTimeCourseCommand(*options); });
  });
});

}  // namespace
}  // namespace vembrel::cli
