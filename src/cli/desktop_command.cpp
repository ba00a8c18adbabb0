// Starts the desktop program when it is built in; the command-line-only build
// says so instead.
#include <iostream>

namespace vembrel::cli {

#ifndef VEMBREL_HAVE_DESKTOP
int RunDesktop(int, char**) {
  std::cerr << "vembrel: this build has no desktop program; see vembrel --help\n";
  return 2;
}
#endif

}  // namespace vembrel::cli
