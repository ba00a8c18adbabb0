// Program entry of the desktop face: `vembrel` without arguments.
#include "desktop/gui_session.h"

namespace vembrel::cli {

int RunDesktop(int, char**) {
  return RunGui(GuiOptions{});
}

}  // namespace vembrel::cli
