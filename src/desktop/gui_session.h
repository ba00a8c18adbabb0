#pragma once
// Running the desktop program: plainly, or opened on a plate, settings and a
// well, or to render the main window with its windows into a PNG file.
#include <string>

#include "plate/plate.h"

namespace vembrel {

struct GuiOptions {
  std::string picture;     // any picture of the plate to open ("" for none)
  std::string settings;    // settings file to take as the universal settings ("" for none)
  std::string well;        // well window to open ("A01"), "" for none
  std::string tab;         // tab to show: "B", "G", "BG", "Im", "Ce" or a tab caption
  std::string screenshot;  // PNG to write instead of running interactively
  std::string plateMap;    // plate map to colour and describe the wells by ("" for none)
  PlateOpenOptions plate;  // layout, channels, plane, input bits of the plate
};

/// Starts the program; returns its exit code. In screenshot mode throws
/// UsageError (naming the picture, settings file, well or tab) for options
/// that cannot be carried out, Error (naming the file) when the screenshot
/// cannot be written.
int RunGui(const GuiOptions& options);

}  // namespace vembrel
