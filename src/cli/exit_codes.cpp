#include "cli/exit_codes.h"

#include <exception>
#include <iostream>

#include "core/error.h"

namespace vembrel::cli {

int ExitCodeOfCurrentException(const CLI::App& app, int exitCode) {
  try {
    throw;
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  } catch (const UsageError& e) {
    std::cerr << "vembrel: " << e.what() << "\n";
    return 2;
  } catch (const Error& e) {
    std::cerr << "vembrel: " << e.what() << "\n";
    return exitCode != 0 ? exitCode : 1;
  } catch (const std::exception& e) {
    std::cerr << "vembrel: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace vembrel::cli
