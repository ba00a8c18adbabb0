#pragma once
// The command-line batch shared by `vembrel batch` and `vembrel demo`.
#include <ostream>
#include <string>

#include "core/error.h"

namespace vembrel::cli {

struct BatchOptions {
  std::string picture;
  std::string settings;  // "" for the defaults
  std::string results;   // "" for the folder beside the picture folder
  int jobs = 0;          // 0: the number of cores
  bool cells = false;
  bool noWorkbook = false;
};

/// A bad option or an unusable plate: the command exits with code 2.
class UsageError : public Error {
 public:
  using Error::Error;
};

/// Runs the batch and prints the closing line to out (the progress bar and
/// failures go to stderr). Returns 0 when every queued well was analysed, 1
/// when some failed or the workbook could not be written. Throws UsageError
/// for bad options and unusable plates, Error when the summary file cannot
/// be written.
int RunBatchCommand(const BatchOptions& options, std::ostream& out);

/// Sets exitCode from RunBatchCommand, or to 2 before a UsageError goes on.
void RunBatchCommandWithExitCode(const BatchOptions& options, std::ostream& out, int& exitCode);

}  // namespace vembrel::cli
