// `vembrel merge DIR... --results OUT`: the parts of a plate's run (shards,
// resumed runs) put together into exactly the files one whole run writes.
#include <iostream>
#include <memory>

#include "cli/command.h"
#include "cli/command_line.h"
#include "cli/plate_map_options.h"
#include "core/error.h"
#include "plate/well_names.h"
#include "results/plate_merge.h"

namespace vembrel::cli {
namespace {

struct MergeOptions {
  std::vector<std::string> parts;
  std::string results;
  bool noWorkbook = false;
  bool wait = false;
  PlateMapOptions plateMap;
};

int RunMerge(const MergeOptions& options) {
  // The parts say their level only once read; a map is checked before that.
  const std::optional<MapRequest> plateMap = ReadPlateMapOptions(options.plateMap, std::nullopt);
  const MergeReport report = MergeParts(options.parts, options.results, !options.noWorkbook,
                                        ThisCommandLine(), options.wait, plateMap);
  if (!report.plateMapNote.empty()) std::cerr << "vembrel: note: " << report.plateMapNote << "\n";
  std::vector<std::string> failed;
  for (const std::string& failure : report.failures) {
    std::cerr << "vembrel: " << failure << "\n";
    failed.push_back(failure);
  }
  for (const std::string& failure : report.copyFailures) {
    std::cerr << "vembrel: " << failure << "\n";
    failed.push_back(failure);
  }
  if (!report.unanalysed.empty()) {
    std::string wells;
    for (const int well : report.unanalysed)
      wells += (wells.empty() ? "" : ", ") + WellName(well, report.format);
    std::cerr << "vembrel: no part analysed the wells " << wells << "\n";
    failed.push_back("not analysed: " + wells);
  }
  if (!report.summaryError.empty()) {
    std::cerr << "vembrel: " << report.summaryError << "\n";
    failed.push_back(report.summaryFile);
  }
  for (const PlateFileOutcome& file : report.plateFiles) {
    if (file.error.empty()) continue;
    std::cerr << "vembrel: " << file.error << "\n";
    failed.push_back(file.path);
  }
  std::cout << "Put together " << report.wells << " wells from " << options.parts.size() << " part"
            << (options.parts.size() == 1 ? "" : "s") << "; wrote " << report.summaryFile
            << " and the plate's other files\n";
  if (!failed.empty()) {
    std::cout << "Failed: ";
    for (std::size_t i = 0; i < failed.size(); ++i) std::cout << (i > 0 ? "; " : "") << failed[i];
    std::cout << "\n";
  }
  return failed.empty() ? 0 : 1;
}

const CommandRegistration kMergeCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<MergeOptions>();
  CLI::App* command =
      app.add_subcommand("merge", "Put the parts of a plate's run (shards, resumed runs) together");
  command->add_option("DIR", options->parts, "Results folders of the parts")->required();
  command->add_option("--results", options->results, "Folder for the whole run's files")
      ->required();
  command->add_flag("--no-xlsx", options->noWorkbook, "Do not write the workbook");
  command->add_flag("--wait", options->wait,
                    "Wait while another run writes into the results folder (else exit 2)");
  AddPlateMapOptions(*command, options->plateMap);
  command->callback(
      [options, &exitCode] { RunWithExitCode(exitCode, [&] { return RunMerge(*options); }); });
});

}  // namespace
}  // namespace vembrel::cli
