#pragma once
// Running the desktop program: plainly, or opened on a plate and a well, or
// headless to render the main frame with its windows into a PNG file.
#include <string>

namespace vembrel {

struct GuiOptions {
  std::string picture;     // any picture of the plate to open ("" for none)
  std::string well;        // well window to open ("A01"), "" for none
  std::string tab;         // tab to show: "B", "G", "BG", "Im", "Ce" or a tab caption
  std::string screenshot;  // PNG to write instead of running interactively
};

/// Starts the program; returns its exit code. Throws UsageError (naming the
/// well or tab) for options that cannot be carried out, Error (naming the
/// picture or file) when the plate cannot be opened or the screenshot written
/// in screenshot mode.
int RunGui(const GuiOptions& options);

}  // namespace vembrel
