// `vembrel experiment RESULTS_DIR... --results DIR`: finished plate runs, each
// read through its own plate map, pooled into one experiment's tables,
// workbook and report.
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "results/experiment.h"

namespace vembrel::cli {
namespace {

struct ExperimentOptions {
  std::vector<std::string> runs;
  std::string results;
  bool noWorkbook = false;
};

int RunExperiment(const ExperimentOptions& options) {
  const ExperimentReport report =
      PoolExperiment(options.runs, options.results, !options.noWorkbook);
  for (const std::string& note : report.namingNotes) std::cerr << "vembrel: note: " << note << "\n";
  std::cout << "Pooled " << report.plates.size() << " plate"
            << (report.plates.size() == 1 ? "" : "s") << "; wrote";
  for (std::size_t i = 0; i < report.files.size(); ++i)
    std::cout << (i ? ", " : " ") << report.files[i];
  std::cout << "\n";
  return 0;
}

const CommandRegistration kExperimentCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ExperimentOptions>();
  CLI::App* command = app.add_subcommand(
      "experiment", "Pool finished plate runs, each with its plate map, into one experiment");
  command
      ->add_option("RESULTS_DIR", options->runs, "Results folders of plate runs with a plate map")
      ->required();
  command->add_option("--results", options->results, "Folder for the experiment's files")
      ->required();
  command->add_flag("--no-xlsx", options->noWorkbook, "Do not write the workbook");
  command->callback(
      [options, &exitCode] { RunWithExitCode(exitCode, [&] { return RunExperiment(*options); }); });
});

}  // namespace
}  // namespace vembrel::cli
