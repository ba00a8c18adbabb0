// `vembrel batch PICTURE`: the whole batch over the plate of PICTURE in a fresh
// program state, as "Go!" runs it, optionally at cell level and on several
// threads; prints one closing line with the counts and the files written.
#include <iostream>
#include <memory>

#include "cli/analysis_options.h"
#include "cli/batch_runner.h"
#include "cli/command.h"
#include "cli/plate_options.h"
#include "cli/timecourse_runner.h"

namespace vembrel::cli {
namespace {

const CommandRegistration kBatchCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<BatchOptions>();
  CLI::App* command = app.add_subcommand("batch", "Analyse every included well of a plate");
  command->add_option("picture", options->picture, "Any one picture of the plate, or its folder")
      ->required();
  // Several plates in time order, or --hours, make the batch a time course.
  auto series = std::make_shared<TimeCourseCommandOptions>();
  command->add_option("later", series->plates,
                      "Further plates of a time series, in time order (see timecourse)");
  command->add_option("--hours", series->hours, "Hours of a time series' plates, e.g. 0,6,12,24")
      ->type_name("LIST");
  command
      ->add_option("--ring-drift", series->ringDrift,
                   "Time series: re-fit later rings within PX pixels of the first")
      ->check(CLI::Range(0, 1024))
      ->type_name("PX");
  AddPlateOpenOptions(*command, options->plate);
  AddFitRadiusOption(*command, options->fitRadius);
  AddCutoffsOption(*command, options->cutoffs);
  command->add_option("--wells", options->wells, "Analyse only these wells, e.g. A01-A12,C05")
      ->type_name("LIST");
  command
      ->add_option("--shard", options->shard,
                   "Analyse the I-th of N interleaved parts of the included wells")
      ->type_name("I/N");
  command
      ->add_option("--rings", options->rings,
                   "Rings file whose reviewed rings are analysed instead of fitted ones, or none "
                   "(default: <prefix>Vembrel_rings.csv in the results folder, when there)")
      ->type_name("FILE|none");
  command->add_flag(
      "--resume", options->resume,
      "Reuse the wells an earlier run of the same request left in the results folder");
  command->add_option("--progress", options->progress, "Progress on stderr: line, json, none, auto")
      ->check(CLI::IsMember({"line", "json", "none", "auto"}));
  command->add_option("--settings", options->settings, "Universal settings file (.VLS)");
  command->add_flag("--cells", options->cells,
                    "Work at cell level (cell data files and snapshots)");
  command
      ->add_option(
          "--jobs", options->jobs,
          "Wells analysed at once (default: the number of cores, at most one per 128 MiB of "
          "available memory)")
      ->check(CLI::PositiveNumber);
  command->add_option("--results", options->results,
                      "Results folder (default: beside the picture folder)");
  command->add_flag("--no-xlsx", options->noWorkbook, "Do not write the workbook");
  command->add_flag("--zone-coverage", options->zoneCoverage,
                    "Measure each well's zone coverage (a zone_coverage column in the tables)");
  command->add_flag("--wait", options->wait,
                    "Wait while another run writes into the results folder (else exit 2)");
  command->add_flag("--json", options->json,
                    "Print each well's results as a JSON line (the closing line goes to stderr)");
  command->add_flag("--strict", options->strict,
                    "Fields left black (missing, damaged, wrong size) make the run fail (exit 1)");
  AddPlateMapOptions(*command, options->plateMap);
  command->callback([options, series, &exitCode] {
    if (series->plates.empty() && series->hours.empty() && !series->ringDrift) {
      RunBatchCommandWithExitCode(*options, std::cout, exitCode);
      return;
    }
    if (options->strict) {
      exitCode = 2;
      throw UsageError("--strict is not for a time series");
    }
    if (options->cutoffs == CutoffMode::Well) {
      exitCode = 2;
      throw UsageError("--cutoffs well is not for a time series");
    }
    series->plates.insert(series->plates.begin(), options->picture);
    series->plate = options->plate;
    series->fitRadius = options->fitRadius;
    series->settings = options->settings;
    series->results = options->results;
    series->wells = options->wells;
    series->shard = options->shard;
    series->json = options->json;
    series->jobs = options->jobs;
    series->cells = options->cells;
    series->wait = options->wait;
    series->noWorkbook = options->noWorkbook;
    series->resume = options->resume;
    series->rings = options->rings;
    series->progress = options->progress;
    series->plateMap = options->plateMap;
    RunWithExitCode(exitCode, [&] { return RunTimeCourseCommand(*series); });
  });
});

}  // namespace
}  // namespace vembrel::cli
