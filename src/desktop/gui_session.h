#pragma once
// Running the desktop program: plainly, or opened on a plate, settings and a
// well, or to render the main window with its windows into a PNG file.
#include <string>

namespace vembrel {

struct GuiOptions {
  std::string picture;     // any picture of the plate to open ("" for none)
  std::string settings;    // settings file to take as the universal settings ("" for none)
  std::string well;        // well window to open ("A01"), "" for none
  std::string tab;         // tab to show: "B", "G", "BG", "Im", "Ce" or a tab caption
  std::string screenshot;  // PNG to write instead of running interactively
};

/// Starts the program; returns its exit code. Throws Error (naming the
/// picture, settings file, well, tab or file) when the options cannot be
/// carried out in screenshot mode.
int RunGui(const GuiOptions& options);

}  // namespace vembrel
