#include "cli/gui_options.h"

#include <cstdlib>
#include <filesystem>

#include "cli/plate_options.h"
#include "core/error.h"
#include "plate/well_names.h"
#include "results/plate_map.h"

namespace vembrel::cli {
namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

const char kNoDisplayHint[] =
    "; see vembrel --help for the commands that need none, or set "
    "QT_QPA_PLATFORM=offscreen to run the desktop program without a screen";

void AddGuiOptions(CLI::App& gui, GuiOptions& options) {
  gui.add_option("PICTURE", options.picture, "Any picture of the plate to open, or its folder");
  AddPlateOpenOptions(gui, options.plate);
  gui.add_option("--settings", options.settings,
                 "Settings file (.VLS) to take as the universal settings");
  gui.add_option("--plate-map", options.plateMap,
                 "Plate map (CSV) to colour the wells by condition or role")
      ->type_name("FILE");
  gui.add_option("--well", options.well, "Well window to open, e.g. A01");
  gui.add_option("--tab", options.tab,
                 "Tab to show: B, G, BG, Im, Ce or a tab caption such as \"Green channel\"");
  gui.add_option("--screenshot", options.screenshot,
                 "Render the main frame with its windows to this PNG and exit");
}

void CheckGuiOptions(const GuiOptions& options) {
  std::error_code error;
  if (!options.picture.empty() && !std::filesystem::exists(options.picture, error)) {
    throw UsageError("Unable to open picture '" + options.picture + "': no such file or folder");
  }
  if (!options.well.empty()) {
    try {
      if (!WellKeyIfAny(options.well)) WellIndex(options.well);
    } catch (const Error& e) {
      throw UsageError(e.what());
    }
  }
  if (!options.plateMap.empty()) ReadPlateMap(options.plateMap);  // a bad map: exit 2
}

void RequireDisplay() {
  if (!IsSet("QT_QPA_PLATFORM") && !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY")) {
    throw UsageError(std::string("no display: neither DISPLAY nor WAYLAND_DISPLAY is set") +
                     kNoDisplayHint);
  }
}

std::vector<std::string> GivenArguments(const CLI::App& command) {
  std::vector<std::string> named;
  std::vector<std::string> positional;
  for (const CLI::Option* option : command.get_options()) {
    if (option->count() == 0) continue;
    if (!option->nonpositional()) {
      for (const std::string& value : option->results()) positional.push_back(value);
      continue;
    }
    // Every option of the gui command has a long name and takes a value.
    const std::string name = "--" + option->get_lnames().front();
    for (const std::string& value : option->results()) named.push_back(name + "=" + value);
  }
  named.push_back("--");
  named.insert(named.end(), positional.begin(), positional.end());
  return named;
}

}  // namespace vembrel::cli
