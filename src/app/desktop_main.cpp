// Program entry of the desktop face: `vembrel` without arguments.
#include "app/gui_session.h"

namespace vembrel::cli {

int RunDesktop(int, char**) {
  return RunGui(GuiOptions{});
}

}  // namespace vembrel::cli
