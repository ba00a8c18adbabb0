// vembrel gui [PICTURE] [--settings FILE.VLS] [--plate-map FILE] [--well NAME]
// [--tab NAME] [--screenshot FILE]: the desktop program opened on a plate, settings and a
// well, or rendered into a PNG.
#ifdef VEMBREL_HAVE_DESKTOP
#include <filesystem>
#include <memory>

#include "cli/command.h"
#include "cli/desktop_command.h"
#include "cli/plate_options.h"
#include "core/error.h"
#include "desktop/gui_session.h"
#include "plate/well_names.h"
#include "results/plate_map.h"

namespace vembrel::cli {
namespace {

const CommandRegistration kGuiCommand([](CLI::App& app, int& exitCode) {
  auto options = std::make_shared<GuiOptions>();
  CLI::App* gui = app.add_subcommand("gui", "Start the desktop program on a plate and a well");
  gui->add_option("PICTURE", options->picture, "Any picture of the plate to open, or its folder");
  AddPlateOpenOptions(*gui, options->plate);
  gui->add_option("--settings", options->settings,
                  "Settings file (.VLS) to take as the universal settings");
  gui->add_option("--plate-map", options->plateMap,
                  "Plate map (CSV) to colour the wells by condition or role")
      ->type_name("FILE");
  gui->add_option("--well", options->well, "Well window to open, e.g. A01");
  gui->add_option("--tab", options->tab,
                  "Tab to show: B, G, BG, Im, Ce or a tab caption such as \"Green channel\"");
  gui->add_option("--screenshot", options->screenshot,
                  "Render the main frame with its windows to this PNG and exit");
  gui->callback([options, &exitCode] {
    // What cannot be shown is refused before any window opens.
    std::error_code error;
    if (!options->picture.empty() && !std::filesystem::exists(options->picture, error)) {
      throw UsageError("Unable to open picture '" + options->picture + "': no such file or folder");
    }
    if (!options->well.empty()) {
      try {
        if (!WellKeyIfAny(options->well)) WellIndex(options->well);
      } catch (const Error& e) {
        throw UsageError(e.what());
      }
    }
    if (!options->plateMap.empty()) ReadPlateMap(options->plateMap);  // a bad map: exit 2
    RequireUsableDisplay();
    exitCode = RunGui(*options);
  });
});

}  // namespace
}  // namespace vembrel::cli
#endif
