// `vembrel suggest PICTURE`: looks at a few wells and writes a settings file
// with the suggested ring radius, nucleus cut-offs and size limits and cell
// settings, saying why, for the user to review before a batch.
#include <iostream>
#include <memory>

#include "cli/batch_runner.h"
#include "cli/command.h"
#include "cli/plate_options.h"
#include "engine/settings_suggestion.h"
#include "plate/settings_file.h"
#include "plate/well_names.h"

namespace vembrel::cli {
namespace {

struct SuggestOptions {
  std::string picture;
  PlateOpenOptions plate;
  std::string wells;     // "" for a few spread over the plate
  std::string settings;  // base settings, "" for the defaults
  std::string output;    // "" for <results folder><prefix>Suggested.VLS
};

int RunSuggest(const SuggestOptions& options) {
  const Plate plate = OpenPlateForCommand(options.picture, options.plate);
  AnalysisSettings base;
  std::vector<int> wells;
  try {
    if (!options.settings.empty()) base = ReadSettingsFile(options.settings);
    if (options.wells.empty()) {
      wells = WellsToSuggestFrom(plate);
    } else {
      for (const int well : ParseWellList(options.wells, plate.format)) {
        if (plate.wells[well].state == 1) wells.push_back(well);
      }
    }
  } catch (const Error& e) {
    throw UsageError(e.what());
  }
  if (wells.empty()) throw UsageError("None of the wells asked for has both channel pictures");
  const SettingsSuggestion suggestion = SuggestSettings(plate, wells, base);
  std::string output = options.output;
  if (output.empty()) {
    const std::string folder = ResultsFolderOf(plate.path);
    output = (folder.empty() ? plate.path : folder) + plate.prefix + "Suggested.VLS";
  }
  output = WithSettingsExtension(output);
  WriteSettingsFile(output, suggestion.settings);
  for (const std::string& reason : suggestion.reasons) std::cout << reason << "\n";
  std::cout << "Wrote " << output << "; review it, then use it with --settings.\n";
  return 0;
}

const CommandRegistration kSuggestCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<SuggestOptions>();
  CLI::App* command = app.add_subcommand(
      "suggest",
      "Suggest the ring radius, nucleus cut-offs and sizes and the cell settings from a few "
      "wells of a plate");
  command->add_option("PICTURE", options->picture, "Any picture of the plate, or its folder")
      ->required();
  AddPlateOpenOptions(*command, options->plate);
  command->add_option("--wells", options->wells, "Wells to look at (default: four spread out)")
      ->type_name("LIST");
  command->add_option("--settings", options->settings,
                      "Settings file (.VLS) for everything else (default: the defaults)");
  command->add_option("--output", options->output,
                      "Settings file to write (default: <prefix>Suggested.VLS beside the pictures' "
                      "folder)");
  command->callback(
      [options, &exitCode] { RunWithExitCode(exitCode, [&] { return RunSuggest(*options); }); });
});

}  // namespace
}  // namespace vembrel::cli
