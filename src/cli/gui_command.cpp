// vembrel gui [PICTURE] [--settings FILE.VLS] [--plate-map FILE] [--well NAME]
// [--tab NAME] [--screenshot FILE]: the desktop program opened on a plate, settings and a
// well, or rendered into a PNG.
#ifdef VEMBREL_HAVE_DESKTOP
#include <memory>

#include "cli/command.h"
#include "cli/desktop_command.h"
#include "cli/gui_options.h"

namespace vembrel::cli {
namespace {

const CommandRegistration kGuiCommand([](CLI::App& app, int&) {
  auto options = std::make_shared<GuiOptions>();
  CLI::App* gui = app.add_subcommand("gui", "Start the desktop program on a plate and a well");
  AddGuiOptions(*gui, *options);
  gui->callback([options, gui] {
    // What cannot be shown is refused before any window opens, and before the
    // desktop program is started.
    CheckGuiOptions(*options);
    RequireDisplay();
    ExecDesktopProgram(GivenArguments(*gui));
  });
});

}  // namespace
}  // namespace vembrel::cli
#endif
