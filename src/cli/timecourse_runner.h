#pragma once
// The time course run shared by `vembrel timecourse` and `vembrel batch`
// given several plates or --hours.
#include <optional>
#include <string>
#include <vector>

#include "engine/well_session.h"
#include "plate/plate.h"

namespace vembrel::cli {

/// What the command line asks of a time course.
struct TimeCourseCommandOptions {
  std::vector<std::string> plates;
  PlateOpenOptions plate;
  std::optional<RadiusRange> fitRadius;
  std::string hours;
  std::optional<int> ringDrift;
  std::string settings;
  std::string results;
  std::string wells;
  int jobs = 0;
  bool cells = false;
  bool wait = false;
};

/// Follows the wells over the time points and writes the time course and
/// kinetics tables; prints the closing line to stdout. Returns 0 when all was
/// analysed and written, 1 otherwise; throws UsageError for bad input.
int RunTimeCourseCommand(const TimeCourseCommandOptions& options);

}  // namespace vembrel::cli
