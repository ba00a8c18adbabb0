// vembrel: the command-line face. Subcommands are registered by the files of
// this folder; without arguments the desktop program starts.
#include <iostream>

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::cerr << "vembrel: no subcommand given\n";
    return 2;
  }
  return 0;
}
